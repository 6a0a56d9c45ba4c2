#include "web/browser_storage.h"

#include <emscripten.h>

// The copy itself is the page's (burrik-page.js): it starts once the game
// has returned to the browser, so a change made of several steps (a table
// written and the replays that fell off it removed) is copied whole.
EM_JS(void, burrik_page_player_files_changed, (), {
    if (Module['burrikPlayerFilesChanged']) Module['burrikPlayerFilesChanged']();
});

EM_JS(void, burrik_page_offer_download, (const char* path), {
    if (Module['burrikOfferDownload']) Module['burrikOfferDownload'](UTF8ToString(path));
});

void copyPlayerFilesToBrowserStorage() { burrik_page_player_files_changed(); }

void offerFileForDownload(const std::string& path) { burrik_page_offer_download(path.c_str()); }
