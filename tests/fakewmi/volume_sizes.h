#pragma once

namespace fakewmi {

// From now on, in this process, the size query of a root that the scenario names in a
// [Volume] row answers with that row's Total and Free bytes (0 when not given); every other
// root is asked of the system as before. Done once, at the first locator.
void AnswerVolumeSizes();

}  // namespace fakewmi
