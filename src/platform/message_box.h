#pragma once
// Modal failure messages: a dialog where a display allows it, and always a
// copy on standard error.
#include <string_view>

void showMessageBox(std::string_view caption, std::string_view text);

// --no-dialogs: standard error only (automated runs, where a dialog would
// wait forever).
void setDialogsEnabled(bool enabled);
