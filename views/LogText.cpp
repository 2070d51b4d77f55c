// The log text store (see LogText.h).
#include "views/LogText.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace {

constexpr QByteArrayView kBreak = "\r\n";
constexpr qsizetype kBlockBytes = 64 * 1024;

// Revisions are handed out from one counter, so two texts never share one by accident.
quint64 nextRevision() {
    static std::atomic<quint64> counter{0};
    return ++counter;
}

// The lines of bytes split at CR LF: always at least one.
void splitLines(const char* data, qsizetype size, std::vector<LogText::LineRef>& out) {
    const char* start = data;
    const char* end = data + size;
    const char* from = data;
    while (from < end) {
        const auto* cr = static_cast<const char*>(std::memchr(from, '\r', size_t(end - from)));
        if (!cr || cr + 1 >= end) break;
        if (cr[1] == '\n') {
            out.push_back({start, cr - start});
            start = cr + 2;
        }
        from = cr + 1;
    }
    out.push_back({start, end - start});
}

} // namespace

// The bytes every line of a text and of its copies point into: the received buffer, never
// changed, and the arena that edits write new lines to, whose blocks never move.
struct LogText::Storage {
    QByteArray base;
    std::vector<std::unique_ptr<char[]>> blocks;
    char* tail = nullptr; // free space of the last block
    qsizetype room = 0;

    // Room for n bytes that stays where it is for the storage's life.
    char* allocate(qsizetype n) {
        if (n > room) {
            const qsizetype size = std::max(n, kBlockBytes);
            blocks.push_back(std::make_unique<char[]>(size_t(size)));
            tail = blocks.back().get();
            room = size;
        }
        char* out = tail;
        tail += n;
        room -= n;
        return out;
    }
    // Whether n bytes can be written right after `end` without touching bytes handed out.
    bool canExtend(const char* end, qsizetype n) const { return end == tail && n <= room; }
};

LogText::LogText()
    : storage_(std::make_shared<Storage>()), lines_(std::make_shared<std::vector<LineRef>>(1)),
      revision_(nextRevision()) {}

LogText::LogText(QByteArray bytes) : LogText() {
    storage_->base = std::move(bytes);
    size_ = storage_->base.size();
    lines_->clear();
    splitLines(storage_->base.constData(), size_, *lines_);
}

QByteArrayView LogText::Line(qsizetype line) const {
    if (line < 0 || line >= LineCount()) return {};
    const LineRef& ref = (*lines_)[size_t(line)];
    return QByteArrayView(ref.data, ref.size);
}

qsizetype LogText::LongestLine() const {
    if (longest_ < 0) {
        longest_ = 0;
        for (const LineRef& ref : *lines_)
            longest_ = std::max(longest_, ref.size);
    }
    return longest_;
}

QByteArray LogText::Bytes() const {
    return Slice({0, 0}, End());
}

QByteArray LogText::Slice(TextPos from, TextPos to) const {
    from = Clamp(from);
    to = Clamp(to);
    if (to < from) std::swap(from, to);
    QByteArray out;
    out.reserve(Offset(to) - Offset(from));
    for (qsizetype line = from.line; line <= to.line; ++line) {
        const QByteArrayView bytes = Line(line);
        const qsizetype begin = line == from.line ? from.column : 0;
        const qsizetype end = line == to.line ? to.column : bytes.size();
        out.append(bytes.sliced(begin, end - begin));
        if (line < to.line) out.append(kBreak);
    }
    return out;
}

TextPos LogText::Clamp(TextPos pos) const {
    pos.line = std::clamp<qsizetype>(pos.line, 0, LineCount() - 1);
    pos.column = std::clamp<qsizetype>(pos.column, 0, Line(pos.line).size());
    return pos;
}

TextPos LogText::End() const {
    return {LineCount() - 1, Line(LineCount() - 1).size()};
}

qsizetype LogText::Offset(TextPos pos) const {
    pos = Clamp(pos);
    // Counted from the nearer end: edits and finds work near the caret, often at the end.
    if (pos.line < LineCount() / 2) {
        qsizetype offset = pos.column;
        for (qsizetype line = 0; line < pos.line; ++line)
            offset += (*lines_)[size_t(line)].size + kBreak.size();
        return offset;
    }
    qsizetype offset = size_ - (Line(pos.line).size() - pos.column);
    for (qsizetype line = pos.line + 1; line < LineCount(); ++line)
        offset -= (*lines_)[size_t(line)].size + kBreak.size();
    return offset;
}

TextPos LogText::Replace(TextPos from, TextPos to, QByteArrayView text, Edit* edit) {
    from = Clamp(from);
    to = Clamp(to);
    if (to < from) std::swap(from, to);
    const QByteArrayView first = Line(from.line);
    const QByteArrayView last = Line(to.line);
    const QByteArrayView prefix = first.first(from.column);
    const QByteArrayView suffix = last.sliced(to.column);

    // The touched lines are written again as one piece and split anew, so that a CR before the
    // place and an LF after it become one line break, as they would in the joined text. Typing
    // at the end of the line written last grows it in place instead.
    const qsizetype length = prefix.size() + text.size() + suffix.size();
    const char* piece = nullptr;
    if (suffix.isEmpty() && !prefix.isEmpty() &&
        storage_->canExtend(prefix.data() + prefix.size(), text.size())) {
        std::memcpy(storage_->allocate(text.size()), text.data(), size_t(text.size()));
        piece = prefix.data();
    } else if (length > 0) {
        char* out = storage_->allocate(length);
        std::memcpy(out, prefix.data(), size_t(prefix.size()));
        std::memcpy(out + prefix.size(), text.data(), size_t(text.size()));
        std::memcpy(out + prefix.size() + text.size(), suffix.data(), size_t(suffix.size()));
        piece = out;
    }
    std::vector<LineRef> lines;
    splitLines(piece, length, lines);

    // The place after the new text; one that falls inside a line break goes to the next line.
    const qsizetype after = prefix.size() + text.size();
    TextPos caret{from.line, 0};
    for (size_t i = 0; i < lines.size(); ++i) {
        const qsizetype start = lines[i].data - piece;
        caret = {from.line + qsizetype(i), std::max<qsizetype>(after - start, 0)};
        if (after <= start + lines[i].size) break;
    }

    const qsizetype count = to.line - from.line + 1;
    if (edit) {
        edit->first = from.line;
        edit->removed.assign(lines_->begin() + from.line, lines_->begin() + from.line + count);
        edit->inserted = lines;
    }
    replaceLines(from.line, count, lines);
    return caret;
}

void LogText::Append(QByteArrayView bytes) {
    // The last line may grow, so it and the lines after it are new; a run of appends keeps the
    // revision it started from.
    const quint64 base = grownFrom_ != 0 ? grownFrom_ : revision_;
    const qsizetype unchanged = grownFrom_ != 0 ? unchangedLines_ : LineCount() - 1;
    Replace(End(), End(), bytes);
    grownFrom_ = base;
    unchangedLines_ = std::min(unchanged, LineCount() - 1);
}

bool LogText::GrewFrom(quint64 base, qsizetype* firstNew) const {
    if (grownFrom_ == 0 || grownFrom_ != base) return false;
    *firstNew = unchangedLines_;
    return true;
}

void LogText::Apply(const Edit& edit, bool backward) {
    const std::vector<LineRef>& take = backward ? edit.inserted : edit.removed;
    const std::vector<LineRef>& put = backward ? edit.removed : edit.inserted;
    replaceLines(edit.first, qsizetype(take.size()), put);
}

LogText LogText::Snapshot() const {
    LogText copy = *this;
    copy.lines_ = std::make_shared<std::vector<LineRef>>(*lines_);
    return copy;
}

void LogText::detach() {
    if (lines_.use_count() > 1) lines_ = std::make_shared<std::vector<LineRef>>(*lines_);
}

void LogText::replaceLines(qsizetype first, qsizetype count, const std::vector<LineRef>& lines) {
    detach();
    std::vector<LineRef>& all = *lines_;
    first = std::clamp<qsizetype>(first, 0, LineCount());
    count = std::clamp<qsizetype>(count, 0, LineCount() - first);
    const auto bytes = [](auto begin, auto end) {
        qsizetype n = 0;
        for (auto it = begin; it != end; ++it)
            n += it->size + kBreak.size();
        return n;
    };
    const auto begin = all.begin() + first;
    bool longestRemoved = false;
    for (auto it = begin; it != begin + count; ++it)
        longestRemoved = longestRemoved || it->size == longest_;
    // A text of N lines has N - 1 line breaks, so counting one per line on both sides keeps
    // the balance. Both sides always hold a line (Replace and Edit never make an empty side).
    size_ += bytes(lines.begin(), lines.end()) - bytes(begin, begin + count);

    // Overwrite what both have, then insert or erase the difference.
    const qsizetype common = std::min<qsizetype>(count, qsizetype(lines.size()));
    std::copy(lines.begin(), lines.begin() + common, begin);
    if (qsizetype(lines.size()) > count)
        all.insert(begin + common, lines.begin() + common, lines.end());
    else
        all.erase(begin + common, begin + count);

    if (longestRemoved) {
        longest_ = -1;
    } else if (longest_ >= 0) {
        for (const LineRef& ref : lines)
            longest_ = std::max(longest_, ref.size);
    }
    revision_ = nextRevision();
    grownFrom_ = 0;
}
