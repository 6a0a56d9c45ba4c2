#include "player_files/file_changes.h"

namespace {

PlayerFilesChangedListener listener = nullptr;

}  // namespace

void setPlayerFilesChangedListener(PlayerFilesChangedListener newListener) { listener = newListener; }

void notePlayerFilesChanged()
{
    if (listener != nullptr) listener();
}
