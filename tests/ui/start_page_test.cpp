// Where the web view may go, and the look each loaded start page gets, written through
// automation onto fake documents.

#include "ui/start_page.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/error.h"

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

constexpr char kHome[] = "http://www.ziruri.cn/";
constexpr char kLocal[] = "C:\\Program Files\\ZiRuri\\data\\Res\\index.htm";

// Every address of the list that the rule answers otherwise than expected.
std::vector<std::string> Misjudged(const std::vector<std::string>& urls, bool allowed,
                                   const std::string& homePage = kHome) {
    std::vector<std::string> wrong;
    for (const auto& url : urls) {
        if (NavigationAllowed(url, homePage, kLocal) != allowed) wrong.push_back(url);
    }
    return wrong;
}

TEST(NavigationRule, StaysOnTheHomePagesHostOverHttpOrHttps) {
    EXPECT_THAT(Misjudged({"http://www.ziruri.cn/", "http://www.ziruri.cn/news/1.htm?id=2#top",
                           "HTTPS://WWW.ZiRuri.CN/login", "http://www.ziruri.cn:80/",
                           "https://www.ziruri.cn:443/", "http://www.ziruri.cn", "about:blank"},
                          true),
                testing::IsEmpty());
    EXPECT_THAT(Misjudged({"http://ziruri.cn/", "http://evil-www.ziruri.cn/",
                           "http://www.ziruri.cn.evil.com/", "http://www.ziruri.cn@evil.com/",
                           "http://www.ziruri.cn:80@evil.com/", "http://www.ziruri.cn\\@evil.com/",
                           "http://evil.com/?www.ziruri.cn", "http://www.ziruri.cn:8080/",
                           "http://www.ziruri.cn:443/", "ftp://www.ziruri.cn/",
                           "http:/www.ziruri.cn/", "javascript:location='http://evil.com/'",
                           "res://ieframe.dll/", "about:<script>alert(1)</script>", ""},
                          false),
                testing::IsEmpty());
}

TEST(NavigationRule, AHomePageWithAPortAllowsThatPortOnly) {
    const std::string home = "http://localhost:47613/";
    EXPECT_THAT(Misjudged({"http://localhost:47613/a", "https://LOCALHOST:47613/"}, true, home),
                testing::IsEmpty());
    EXPECT_THAT(Misjudged({"http://localhost/", "http://localhost:80/", "http://localhost:4761/",
                           "http://localhost:476130/", "http://localhost:47613x/"},
                          false, home),
                testing::IsEmpty());
}

TEST(NavigationRule, TheLocalPageByItsPathOrTheFileUrlsOfIt) {
    EXPECT_THAT(Misjudged({kLocal, "c:/program files/zIRURI/data/res/INDEX.HTM",
                           "file:///C:/Program%20Files/ZiRuri/data/Res/index.htm",
                           "file:///c:\\program files\\ziruri\\data\\res\\index.htm",
                           "file://C:\\Program Files\\ZiRuri\\data\\Res\\index.htm",
                           "FILE:///C:/Program%20Files/ZiRuri/data/Res/index.htm#part"},
                          true),
                testing::IsEmpty());
    EXPECT_THAT(Misjudged({"C:\\Program Files\\ZiRuri\\data\\Res\\other.htm",
                           "file:///C:/Program%20Files/ZiRuri/data/Res/index.htm.exe",
                           "file:///C:/Windows/System32/index.htm",
                           "file://evil/C:/Program%20Files/ZiRuri/data/Res/index.htm",
                           "\\\\evil\\share\\index.htm", "file://evil/share/index.htm",
                           "C:\\Program Files\\ZiRuri\\data\\Res\\index.htm\\..\\x.hta"},
                          false),
                testing::IsEmpty());
}

TEST(NavigationRule, ALocalPageOnAShareIsItsOwnUncPathOnly) {
    const std::string local = "\\\\server\\tools\\ZiRuri\\data\\Res\\index.htm";
    EXPECT_TRUE(NavigationAllowed("file://server/tools/ZiRuri/data/Res/index.htm", kHome, local));
    EXPECT_FALSE(NavigationAllowed("file://evil/tools/ZiRuri/data/Res/index.htm", kHome, local));
}

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
