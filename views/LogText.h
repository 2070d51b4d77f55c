#pragma once
// The log text as the console keeps it: the one store that the raw view shows and edits and that
// the table and the diagram decode. Text is single-byte (one byte, one character) and its lines
// are kept apart by CR LF; a lone CR or LF is part of its line.
//
// The bytes of a received log are never copied: the store takes the transfer's buffer and keeps
// an index of its lines. An edit writes only the lines it touches into an append-only arena and
// points the index at them, so a copy of a LogText (what the table and the diagram hold while
// they show it) is cheap, and editing a log of a million lines costs about one line. The index is
// shared between copies until one of them is edited.
//
// An empty text has no lines for the views (RowCount 0) but, like any text box, one empty line
// to edit in (LineCount 1); a text that ends with CR LF has an empty last line.
#include <QByteArray>
#include <QByteArrayView>
#include <compare>
#include <memory>
#include <vector>

// A place between two characters: the line (from 0) and the byte within it (from 0).
struct TextPos {
    qsizetype line = 0;
    qsizetype column = 0;
    auto operator<=>(const TextPos&) const = default;
};

class LogText {
public:
    // Where one line's bytes are, without its CR LF.
    struct LineRef {
        const char* data = nullptr;
        qsizetype size = 0;
    };

    // What one edit did: the lines from `first` on that it took away and the ones it put there.
    // Applying it backwards undoes the edit; the bytes stay valid as long as the text they came
    // from (they are never changed or freed while any copy of that text lives).
    struct Edit {
        qsizetype first = 0;
        std::vector<LineRef> removed;
        std::vector<LineRef> inserted;
    };

    LogText();
    // Takes the buffer over; its lines are found at once.
    explicit LogText(QByteArray bytes);

    bool IsEmpty() const { return size_ == 0; }
    // Lines to edit in: at least one.
    qsizetype LineCount() const { return qsizetype(lines_->size()); }
    // Lines as the table and the diagram count them: none for an empty text.
    qsizetype RowCount() const { return IsEmpty() ? 0 : LineCount(); }
    // The line's bytes; empty outside 0..LineCount()-1.
    QByteArrayView Line(qsizetype line) const;
    // All bytes, CR LF between lines included.
    qsizetype Size() const { return size_; }
    // The length of the longest line, in bytes.
    qsizetype LongestLine() const;
    // A number that differs between any two different texts; copies share it until one changes.
    quint64 Revision() const { return revision_; }

    // The whole text, or the part between two places, as bytes with CR LF between lines.
    QByteArray Bytes() const;
    QByteArray Slice(TextPos from, TextPos to) const;
    // The nearest place inside the text.
    TextPos Clamp(TextPos pos) const;
    TextPos End() const;
    // Byte offset of a place from the start of the text, and back.
    qsizetype Offset(TextPos pos) const;

    // Replaces the text between two places (in either order) with `text`, in which CR LF breaks
    // lines. Answers the place just after the new text; `edit`, when given, receives what to
    // apply to undo it.
    TextPos Replace(TextPos from, TextPos to, QByteArrayView text, Edit* edit = nullptr);
    // Undoes (backward) or redoes (forward) an edit made on this text as it stood then.
    void Apply(const Edit& edit, bool backward);
    // Adds bytes after the end, as typing them there would (without an edit to undo).
    void Append(QByteArrayView bytes);

    // A copy with a line index of its own, for a holder that keeps this text while the original
    // goes on being edited: the copy of the index is made now instead of on the next keystroke.
    LogText Snapshot() const;

    // Whether this text is the text of revision `base` with lines added after it and nothing else
    // changed; then `firstNew` is the first line that is not exactly as it was in that text.
    bool GrewFrom(quint64 base, qsizetype* firstNew) const;

private:
    struct Storage;
    void detach();
    void replaceLines(qsizetype first, qsizetype count, const std::vector<LineRef>& lines);

    std::shared_ptr<Storage> storage_;
    std::shared_ptr<std::vector<LineRef>> lines_;
    qsizetype size_ = 0;
    quint64 revision_ = 0;
    // Since the last change other than Append: the revision it started from and how many of its
    // lines stand unchanged (0 when none is known).
    quint64 grownFrom_ = 0;
    qsizetype unchangedLines_ = 0;
    mutable qsizetype longest_ = -1; // -1 until asked for
};
