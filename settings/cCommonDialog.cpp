#include "settings/cCommonDialog.h"

#include "core/ui_seam.h"

#include <QDir>
#include <QFileInfo>
#include <QList>

namespace {

constexpr qint32 kIgnoredFlags = 0x20 | 0x40; // hook and template bits: no hook exists here

struct FilterEntry {
    QString description;
    QString pattern;
};

// The description and pattern pairs of a "|"/":"-separated filter. As in the platform's list of
// NUL-separated strings, an empty item ends the list.
QList<FilterEntry> filterEntries(const QString& filter) {
    QList<FilterEntry> entries;
    QString pending;
    bool havePending = false;
    qsizetype start = 0;
    while (start <= filter.size()) {
        qsizetype end = start;
        while (end < filter.size() && filter[end] != u'|' && filter[end] != u':')
            ++end;
        const QString item = filter.mid(start, end - start);
        if (item.isEmpty()) break;
        if (havePending) {
            entries.append({pending, item});
            havePending = false;
        } else {
            pending = item;
            havePending = true;
        }
        start = end + 1;
    }
    return entries;
}

QString qtPatterns(const QString& pattern) {
    QStringList parts;
    for (const QString& part : pattern.split(u';', Qt::SkipEmptyParts)) {
        const QString trimmed = part.trimmed();
        if (!trimmed.isEmpty()) parts << trimmed;
    }
    return parts.join(u' ');
}

// Runs the dialog and fills the outputs both operations share.
bool finish(const ov::ui::FileDialogRequest& request, const QList<FilterEntry>& entries,
            qint32 dialogFlags, QString& Filename, QString& FileTitle, QString& Filter,
            qint32& FilterIndex, qint32& flags) {
    const QString path = ov::ui::fileDialog(request);
    if (path.isEmpty()) {
        Filename.clear();
        FileTitle.clear();
        Filter.clear();
        flags = 0;
        FilterIndex = -1;
        return false;
    }
    Filename = path;
    FileTitle = QFileInfo(path).fileName();
    flags = dialogFlags;
    if (entries.isEmpty()) {
        FilterIndex = 0;
        Filter.clear();
    } else {
        if (FilterIndex < 1 || FilterIndex > entries.size()) FilterIndex = 1;
        const FilterEntry& entry = entries.at(FilterIndex - 1);
        Filter = entry.description + QChar(u'\0') + entry.pattern;
    }
    return true;
}

// The dialog opens in InitDir, proposing Filename when one is given.
QString startPath(const QString& Filename, const QString& InitDir) {
    if (Filename.isEmpty()) return InitDir;
    if (InitDir.isEmpty()) return Filename;
    return QDir(InitDir).filePath(Filename);
}

} // namespace

QString ToQtFilter(const QString& filter) {
    QStringList qt;
    for (const FilterEntry& entry : filterEntries(filter))
        qt << entry.description + QStringLiteral(" (") + qtPatterns(entry.pattern) + u')';
    return qt.join(QStringLiteral(";;"));
}

bool cCommonDialog::VBGetOpenFileName(QString& Filename, QString& FileTitle, bool FileMustExist,
                                      bool MultiSelect, bool& ReadOnly, bool HideReadOnly,
                                      QString& Filter, qint32& FilterIndex, const QString& InitDir,
                                      const QString& DlgTitle, const QString& DefaultExt,
                                      qint32 /*Owner*/, qint32& flags) const {
    const qint32 dialogFlags = (FileMustExist ? kFileMustExist : 0) |
                               (MultiSelect ? kAllowMultiSelect : 0) | (ReadOnly ? kReadOnly : 0) |
                               (HideReadOnly ? kHideReadOnly : 0) | (flags & ~kIgnoredFlags);
    ov::ui::FileDialogRequest request;
    request.save = false;
    request.filter = ToQtFilter(Filter);
    request.defaultExt = DefaultExt;
    request.initialDir = startPath(Filename, InitDir);
    request.title = DlgTitle;
    request.mustExist = (dialogFlags & kFileMustExist) != 0;
    request.owner = m_owner;
    const bool chosen = finish(request, filterEntries(Filter), dialogFlags, Filename, FileTitle,
                               Filter, FilterIndex, flags);
    if (chosen) ReadOnly = (flags & kReadOnly) != 0;
    return chosen;
}

bool cCommonDialog::VBGetSaveFileName(QString& Filename, QString& FileTitle, bool OverWritePrompt,
                                      QString& Filter, qint32& FilterIndex, const QString& InitDir,
                                      const QString& DlgTitle, const QString& DefaultExt,
                                      qint32 /*Owner*/, qint32& flags) const {
    const qint32 dialogFlags =
        (OverWritePrompt ? kOverwritePrompt : 0) | (flags & ~kIgnoredFlags) | kHideReadOnly;
    ov::ui::FileDialogRequest request;
    request.save = true;
    request.filter = ToQtFilter(Filter);
    request.defaultExt = DefaultExt;
    request.initialDir = startPath(Filename, InitDir);
    request.title = DlgTitle;
    request.overwritePrompt = (dialogFlags & kOverwritePrompt) != 0;
    request.owner = m_owner;
    return finish(request, filterEntries(Filter), dialogFlags, Filename, FileTitle, Filter,
                  FilterIndex, flags);
}
