"""What a release check found: one line per failure, and the results in the JSON layout of
GoogleTest's that make test counts."""

import json


def report(tool, suite, results, json_path):
    """results maps each check's name to its failures; returns the exit status."""
    for name, failures in results.items():
        for failure in failures:
            print(f"{tool}: {name}: {failure}")
    if json_path:
        cases = [{"name": name, "status": "RUN", "result": "COMPLETED",
                  **({"failures": [{"failure": f} for f in failures]} if failures else {})}
                 for name, failures in results.items()]
        with open(json_path, "w") as f:
            json.dump({"testsuites": [{"name": suite, "testsuite": cases}]}, f)
    return 1 if any(results.values()) else 0
