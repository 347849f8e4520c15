#include "line_reader.h"

#include <algorithm>

#include "utf8.h"

namespace pelvaro::cli {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

}  // namespace

void LineReader::Push(std::string_view bytes) {
    pending_.erase(0, start_);
    searched_ -= start_;
    start_ = 0;
    pending_ += bytes;
}

void LineReader::Finish() { finished_ = true; }

std::optional<Line> LineReader::Next() {
    if (!SkipByteOrderMark()) return std::nullopt;
    const std::size_t lf = pending_.find('\n', searched_);
    if (lf != std::string::npos) {
        const bool crlf = lf > start_ && pending_[lf - 1] == '\r';
        return TakeLine(crlf ? lf - 1 : lf, lf + 1);
    }
    searched_ = pending_.size();
    if (finished_ && start_ < pending_.size()) return TakeLine(pending_.size(), pending_.size());
    return std::nullopt;
}

bool LineReader::SkipByteOrderMark() {
    if (started_) return true;
    const std::size_t seen = std::min(pending_.size(), kByteOrderMark.size());
    if (pending_.compare(0, seen, kByteOrderMark, 0, seen) != 0) return started_ = true;
    if (seen == kByteOrderMark.size()) {
        start_ = searched_ = seen;
        return started_ = true;
    }
    return started_ = finished_;  // part of a mark: wait for the rest, unless the input has ended
}

Line LineReader::TakeLine(std::size_t end, std::size_t next) {
    Line line{++lines_, DecodeUtf8(std::string_view(pending_).substr(start_, end - start_))};
    start_ = searched_ = next;
    return line;
}

}  // namespace pelvaro::cli
