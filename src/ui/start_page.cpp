#include "ui/start_page.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <string_view>

#include "platform/ascii.h"

namespace zr::ui {

using automation::AsObject;

namespace {

using platform::AsciiLower;
using platform::EqualsIgnoringAsciiCase;

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           EqualsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

// Windows paths: either slash, and letters in either case, name the same file.
bool SamePath(std::string_view a, std::string_view b) {
    const auto fold = [](char c) { return c == '/' ? '\\' : AsciiLower(c); };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return fold(x) == fold(y); });
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = AsciiLower(c);
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

std::string PercentDecoded(std::string_view text) {
    std::string decoded;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
            HexDigit(text[i + 2]) >= 0) {
            decoded += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
            i += 2;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

// The file a file: URL names, as a Windows path: file:///C:/a%20b/c.htm and file://C:\a b\c.htm
// are C:\a b\c.htm, file://server/share/c.htm is \\server\share\c.htm. A query or fragment
// names no other file.
std::optional<std::string> FilePathOf(std::string_view url) {
    if (!StartsWithNoCase(url, "file://")) return std::nullopt;
    url.remove_prefix(7);
    url = url.substr(0, url.find_first_of("?#"));
    if (url.starts_with('/')) return PercentDecoded(url.substr(1));
    if (url.size() >= 2 && url[1] == ':') return PercentDecoded(url);
    return "\\\\" + PercentDecoded(url);
}

struct Site {
    std::string host;  // in lower case
    int port = 0;
    bool defaultPort = true;  // the port of its scheme
};

// The site of an http or https URL, read strictly: whatever is unusual in it stays in the host
// or the port and keeps them from matching. So a user name ("http://a.cn@b.cn/",
// "http://a.cn:80@b.cn/") matches nothing, nor does a backslash, which some parsers take for
// the end of the host and others for part of a user name.
std::optional<Site> SiteOf(std::string_view url) {
    int schemePort = 0;
    if (StartsWithNoCase(url, "http://")) {
        url.remove_prefix(7);
        schemePort = 80;
    } else if (StartsWithNoCase(url, "https://")) {
        url.remove_prefix(8);
        schemePort = 443;
    } else {
        return std::nullopt;
    }
    const std::string_view authority = url.substr(0, url.find_first_of("/?#"));
    const size_t colon = authority.find(':');
    Site site;
    for (char c : authority.substr(0, colon)) site.host += AsciiLower(c);
    if (site.host.empty()) return std::nullopt;
    site.port = schemePort;
    if (colon != std::string_view::npos && colon + 1 < authority.size()) {
        const std::string_view digits = authority.substr(colon + 1);
        const auto [end, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), site.port);
        if (error != std::errc() || end != digits.data() + digits.size() || site.port <= 0 ||
            site.port > 65535) {
            return std::nullopt;
        }
    }
    site.defaultPort = site.port == schemePort;
    return site;
}

// The home page's site reached over either scheme: at the default ports when the home page
// names none, otherwise at the port it names.
bool OnHomeSite(std::string_view url, std::string_view homePage) {
    const auto site = SiteOf(url);
    const auto home = SiteOf(homePage);
    if (!site || !home || site->host != home->host) return false;
    return home->defaultPort ? site->defaultPort : site->port == home->port;
}

}  // namespace

std::string LocalStartPage(const std::string& dataDir) {
    return dataDir + "Res\\index.htm";
}

std::string ChooseStartPage(bool homePageReachable, const std::string& homePage,
                            const std::string& dataDir) {
    return homePageReachable ? homePage : LocalStartPage(dataDir);
}

bool NavigationAllowed(const std::string& url, const std::string& homePage,
                       const std::string& localPage) {
    if (EqualsIgnoringAsciiCase(url, "about:blank")) return true;
    if (!localPage.empty()) {
        if (SamePath(url, localPage)) return true;
        const auto path = FilePathOf(url);
        if (path && SamePath(*path, localPage)) return true;
    }
    return OnHomeSite(url, homePage);
}

void StyleStartPage(automation::Object& webBrowser) noexcept {
    // A document can complete without being styleable: not loaded far enough, no body, not
    // HTML at all. The page then keeps its own look; there is nothing to tell the user.
    try {
        AsObject(AsObject(webBrowser.Get("Document"))->Get("Body"))
            ->Put("Scroll", std::string("no"));
        AsObject(AsObject(AsObject(webBrowser.Get("Document"))->Get("Body"))->Get("style"))
            ->Put("border", std::string("none"));
        AsObject(AsObject(AsObject(webBrowser.Get("Document"))->Get("Body"))->Get("Style"))
            ->Put("margin", std::string("0px"));
    } catch (...) {
    }
}

}  // namespace zr::ui
