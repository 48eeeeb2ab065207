#include "fake_wmi.h"

#include "platform/error.h"

namespace zr::test {
namespace {

using automation::Enumerator;
using automation::Object;
using automation::ObjectPtr;
using automation::Value;

[[noreturn]] void NotSupported(const std::string& member) {
    throw Error("fake: " + member + " is not supported");
}

// Each fake serves only the members that the disk discovery uses; the others throw.
class FakeObject : public Object {
  public:
    Value Get(const std::string& property) override { NotSupported(property); }
    void Put(const std::string& property, const Value&) override { NotSupported(property); }
    Value Call(const std::string& method, const std::vector<Value>&) override {
        NotSupported(method);
    }
    std::unique_ptr<Enumerator> Enumerate() override { NotSupported("_NewEnum"); }
};

class RowObject final : public FakeObject {
  public:
    explicit RowObject(Row row) : row_(std::move(row)) {}
    Value Get(const std::string& property) override {
        const auto it = row_.find(property);
        return it == row_.end() ? Value{} : it->second;
    }

  private:
    Row row_;
};

class RowEnumerator final : public Enumerator {
  public:
    explicit RowEnumerator(std::vector<Row> rows) : rows_(std::move(rows)) {}
    std::optional<Value> Next() override {
        if (next_ == rows_.size()) return std::nullopt;
        return Value(std::make_shared<RowObject>(rows_[next_++]));
    }

  private:
    std::vector<Row> rows_;
    size_t next_ = 0;
};

// A query's result: a snapshot of the rows at the time of the query.
class RowSet final : public FakeObject {
  public:
    explicit RowSet(std::vector<Row> rows) : rows_(std::move(rows)) {}
    std::unique_ptr<Enumerator> Enumerate() override {
        return std::make_unique<RowEnumerator>(rows_);
    }

  private:
    std::vector<Row> rows_;
};

class Services final : public FakeObject {
  public:
    Services(FakeWmi& wmi, bool storage) : wmi_(wmi), storage_(storage) {}
    Value Call(const std::string& method, const std::vector<Value>& arguments) override {
        if (method != "ExecQuery" || arguments.size() != 1) NotSupported(method);
        const std::string query = automation::AsText(arguments[0]);
        wmi_.calls.push_back("ExecQuery(" + query + ")");
        wmi_.Fail(query);
        if (storage_ && query == "SELECT * FROM MSFT_Disk") {
            return Value(std::make_shared<RowSet>(wmi_.storageDisks));
        }
        if (!storage_ && query == "Select * from Win32_LogicalDiskToPartition") {
            return Value(std::make_shared<RowSet>(wmi_.associations));
        }
        if (!storage_ && query == "select * FROM Win32_DiskDrive") {
            return Value(std::make_shared<RowSet>(wmi_.drives));
        }
        throw Error("fake: unknown query " + query);
    }

  private:
    FakeWmi& wmi_;
    bool storage_;
};

class LocatorObject final : public FakeObject {
  public:
    explicit LocatorObject(FakeWmi& wmi) : wmi_(wmi) {}
    Value Call(const std::string& method, const std::vector<Value>& arguments) override {
        if (method != "ConnectServer") NotSupported(method);
        std::string call = "ConnectServer(";
        for (size_t i = 0; i < arguments.size(); ++i) {
            if (i > 0) call += ',';
            call += automation::AsText(arguments[i]);
        }
        wmi_.calls.push_back(call + ")");
        const std::string wmiNamespace =
            arguments.size() > 1 ? automation::AsText(arguments[1]) : std::string();
        wmi_.Fail(wmiNamespace.empty() ? "ConnectServer" : "ConnectServer " + wmiNamespace);
        const bool storage = wmiNamespace == "root\\Microsoft\\Windows\\Storage";
        if (!wmiNamespace.empty() && !storage) throw Error("fake: no namespace " + wmiNamespace);
        return Value(std::make_shared<Services>(wmi_, storage));
    }

  private:
    FakeWmi& wmi_;
};

}  // namespace

Row Association(const std::string& partitionKey, const std::string& volume) {
    return {{"Antecedent",
             "\\\\ZR-PC\\root\\cimv2:Win32_DiskPartition.DeviceID=\"" + partitionKey + "\""},
            {"Dependent", "\\\\ZR-PC\\root\\cimv2:Win32_LogicalDisk.DeviceID=\"" + volume + "\""}};
}

Row Drive(int number, const std::string& interfaceType, const std::string& pnpDeviceId) {
    return {{"Name", "\\\\.\\PHYSICALDRIVE" + std::to_string(number)},
            {"InterfaceType", interfaceType},
            {"PNPDeviceID", pnpDeviceId}};
}

std::string UsbDeviceId(const std::string& vendor, const std::string& product,
                        const std::string& revision) {
    return "USBSTOR\\DISK&VEN_" + vendor + "&PROD_" + product + "&REV_" + revision +
           "\\4C530001230517114245&0";
}

disk::LocatorFactory FakeWmi::Locator() {
    return [this]() -> ObjectPtr {
        Fail("Locator");
        return std::make_shared<LocatorObject>(*this);
    };
}

void FakeWmi::Fail(const std::string& call) {
    if (call == failOn) throw Error("fake failure in " + call);
}

disk::VolumeSizeQuery FakeVolumes::Query() {
    return [this](const std::string& root) -> std::optional<int64_t> {
        asked.push_back(root);
        const auto it = sizes.find(root);
        if (it == sizes.end()) return std::nullopt;
        return it->second;
    };
}

}  // namespace zr::test
