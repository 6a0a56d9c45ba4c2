#include "parsing/words.h"

namespace {

// The blanks of the "C" locale, which a stream's >> skips.
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

}  // namespace

bool WordReader::next(std::string_view& word)
{
    if (done_) return false;
    if (gap_ == WordGap::OneSpace) {
        const std::size_t space = line_.find(' ', at_);
        if (space == std::string_view::npos) {
            word = line_.substr(at_);
            done_ = true;
        } else {
            word = line_.substr(at_, space - at_);
            at_ = space + 1;
        }
        return true;
    }
    while (at_ < line_.size() && isBlank(line_[at_])) ++at_;
    if (at_ == line_.size()) {
        done_ = true;
        return false;
    }
    const std::size_t start = at_;
    while (at_ < line_.size() && !isBlank(line_[at_])) ++at_;
    word = line_.substr(start, at_ - start);
    return true;
}
