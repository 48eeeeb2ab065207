// The look each loaded start page gets, written through automation onto fake documents.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/error.h"
#include "ui/start_page.h"

namespace zr::ui {
namespace {

using automation::Value;

std::string Lower(std::string name) {
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return name;
}

// A page object: properties by name, matched without regard to case as IDispatch does.
// Reading a name it does not have fails, as a late-bound call would.
class FakeNode : public automation::Object {
public:
    std::map<std::string, Value> properties;
    std::vector<std::string>* log = nullptr;

    Value Get(const std::string& property) override {
        if (log) log->push_back("get " + property);
        const auto found = properties.find(Lower(property));
        if (found == properties.end()) throw Error("unknown name " + property);
        return found->second;
    }
    void Put(const std::string& property, const Value& value) override {
        if (log) log->push_back("put " + property + "=" + automation::AsText(value));
        properties[Lower(property)] = value;
    }
    Value Call(const std::string&, const std::vector<Value>&) override {
        throw Error("no methods");
    }
    std::unique_ptr<automation::Enumerator> Enumerate() override { throw Error("no items"); }
};

std::shared_ptr<FakeNode> Node(std::vector<std::string>& log) {
    auto node = std::make_shared<FakeNode>();
    node->log = &log;
    return node;
}

// browser.Document.Body.style, each level present unless cut off below.
struct FakePage {
    std::vector<std::string> log;
    std::shared_ptr<FakeNode> browser = Node(log);
    std::shared_ptr<FakeNode> document = Node(log);
    std::shared_ptr<FakeNode> body = Node(log);
    std::shared_ptr<FakeNode> style = Node(log);

    FakePage() {
        browser->properties["document"] = document;
        document->properties["body"] = body;
        body->properties["style"] = style;
    }
    bool Has(const std::shared_ptr<FakeNode>& node, const std::string& property) const {
        return node->properties.count(property) != 0;
    }
    std::string Text(const std::shared_ptr<FakeNode>& node, const std::string& property) const {
        return automation::AsText(node->properties.at(property));
    }
};

TEST(StartPageStyle, BodyScrollsNotAndSitsFlushWithoutBorderOrMargin) {
    FakePage page;
    StyleStartPage(*page.browser);
    EXPECT_EQ(page.Text(page.body, "scroll"), "no");
    EXPECT_EQ(page.Text(page.style, "border"), "none");
    EXPECT_EQ(page.Text(page.style, "margin"), "0px");
    // Each write reaches the body from the browser again: a document replaced between the
    // writes is the one styled.
    EXPECT_EQ(std::count(page.log.begin(), page.log.end(), "get Document"), 3);
}

TEST(StartPageStyle, FirstFailureEndsItQuietly) {
    FakePage withoutBody;
    withoutBody.document->properties.erase("body");
    EXPECT_NO_THROW(StyleStartPage(*withoutBody.browser));
    EXPECT_FALSE(withoutBody.Has(withoutBody.style, "border"));

    FakePage withoutStyle;
    withoutStyle.body->properties.erase("style");
    EXPECT_NO_THROW(StyleStartPage(*withoutStyle.browser));
    EXPECT_EQ(withoutStyle.Text(withoutStyle.body, "scroll"), "no");
    EXPECT_FALSE(withoutStyle.Has(withoutStyle.style, "margin")) << "went on after a failure";

    FakePage notAnObject;
    notAnObject.browser->properties["document"] = Value{};
    EXPECT_NO_THROW(StyleStartPage(*notAnObject.browser));
    EXPECT_FALSE(notAnObject.Has(notAnObject.body, "scroll"));
}

}  // namespace
}  // namespace zr::ui
