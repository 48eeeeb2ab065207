#include "ui/start_page.h"

namespace zr::ui {

using automation::AsObject;

std::string ChooseStartPage(bool homePageReachable, const std::string& homePage,
                            const std::string& dataDir) {
    return homePageReachable ? homePage : dataDir + "Res\\index.htm";
}

void StyleStartPage(automation::Object& webBrowser) noexcept {
    // A document can complete without being styleable: not loaded far enough, no body, not
    // HTML at all. The page then keeps its own look; there is nothing to tell the user.
    try {
        AsObject(AsObject(webBrowser.Get("Document"))->Get("Body"))->Put("Scroll", std::string("no"));
        AsObject(AsObject(AsObject(webBrowser.Get("Document"))->Get("Body"))->Get("style"))
            ->Put("border", std::string("none"));
        AsObject(AsObject(AsObject(webBrowser.Get("Document"))->Get("Body"))->Get("Style"))
            ->Put("margin", std::string("0px"));
    } catch (...) {
    }
}

}  // namespace zr::ui
