// The find bar (see FindBar.h).
#include "views/FindBar.h"

#include "core/ansi.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

FindBar::FindBar(QWidget* parent)
    : QWidget(parent), tFind(new QLineEdit(this)),
      cFindNext(new QPushButton(QStringLiteral("Siguiente"), this)),
      cFindPrev(new QPushButton(QStringLiteral("Anterior"), this)),
      chkFindCase(new QCheckBox(QStringLiteral("Coincidir mayúsculas"), this)),
      lblFindCount(new QLabel(this)) {
    tFind->setObjectName(QStringLiteral("tFind"));
    cFindNext->setObjectName(QStringLiteral("cFindNext"));
    cFindPrev->setObjectName(QStringLiteral("cFindPrev"));
    chkFindCase->setObjectName(QStringLiteral("chkFindCase"));
    lblFindCount->setObjectName(QStringLiteral("lblFindCount"));
    tFind->setPlaceholderText(QStringLiteral("Buscar"));
    for (QPushButton* button : {cFindNext, cFindPrev})
        button->setAutoDefault(false);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 2, 0, 2);
    row->addWidget(new QLabel(QStringLiteral("Buscar:"), this));
    row->addWidget(tFind, 1);
    row->addWidget(cFindNext);
    row->addWidget(cFindPrev);
    row->addWidget(chkFindCase);
    row->addWidget(lblFindCount, 1);
    connect(tFind, &QLineEdit::textEdited, this, [this] { restart(Want::First); });
    connect(tFind, &QLineEdit::returnPressed, this, &FindBar::FindNext);
    connect(chkFindCase, &QCheckBox::toggled, this, [this] { restart(Want::First); });
    connect(cFindNext, &QPushButton::clicked, this, &FindBar::FindNext);
    connect(cFindPrev, &QPushButton::clicked, this, &FindBar::FindPrevious);
}

void FindBar::SetTarget(FindTarget target) {
    target_ = std::move(target);
    search_.Start(0, {}, {}, true);
    current_ = -1;
    if (isVisible() && !tFind->text().isEmpty()) restart(Want::First);
    updateCount();
}

void FindBar::Open() {
    show();
    tFind->setFocus();
    tFind->selectAll();
    if (!tFind->text().isEmpty() && !search_.Active()) restart(Want::First);
}

void FindBar::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        hide();
        emit closed();
        return;
    }
    QWidget::keyPressEvent(event);
}

void FindBar::FindNext() {
    request(Want::Next);
}

void FindBar::FindPrevious() {
    request(Want::Previous);
}

void FindBar::request(Want want) {
    if (!target_.items || tFind->text().isEmpty()) return;
    // A search of a text that has changed since is no use: it starts again from the operator.
    if (!search_.Active() || target_.revision() != revision_) return restart(want);
    want_ = want;
    satisfy();
    if (want_ != Want::None)
        step(); // the hit wanted is yet to be found
    else
        updateCount();
}

void FindBar::restart(Want want) {
    current_ = -1;
    want_ = Want::None;
    if (!target_.items) return;
    revision_ = target_.revision();
    anchor_ = target_.from();
    search_.Start(target_.items(), target_.text, ov::toAnsi(tFind->text()),
                  chkFindCase->isChecked(), target_.onePerItem);
    want_ = search_.Active() ? want : Want::None;
    step();
}

void FindBar::step() {
    if (!search_.Active()) return updateCount();
    search_.Continue(kSliceMs);
    satisfy();
    updateCount();
    if (!search_.Done() && !stepScheduled_) {
        stepScheduled_ = true;
        QTimer::singleShot(0, this, [this] {
            stepScheduled_ = false;
            step();
        });
    }
}

void FindBar::satisfy() {
    const std::vector<SearchHit>& hits = search_.Hits();
    const bool done = search_.Done();
    qsizetype index = -1;
    switch (want_) {
    case Want::None:
        return;
    case Want::First:
        index = search_.FirstFrom(anchor_);
        break;
    case Want::Next: {
        const SearchHit after = current_ >= 0 ? SearchHit{hits[size_t(current_)].item,
                                                          hits[size_t(current_)].column + 1}
                                              : anchor_;
        index = search_.FirstFrom(after);
        break;
    }
    case Want::Previous:
        // The previous hit is known at once when there is one; the one to wrap to, at the end.
        index = search_.LastBefore(current_ >= 0 ? hits[size_t(current_)] : anchor_);
        if (index < 0 && done && !hits.empty()) index = qsizetype(hits.size()) - 1;
        break;
    }
    if (index < 0 && done && !hits.empty()) index = 0; // past the last hit: round to the first
    if (index >= 0) {
        showHit(index);
        want_ = Want::None;
    } else if (done) {
        want_ = Want::None;
    }
}

void FindBar::showHit(qsizetype index) {
    current_ = index;
    const SearchHit hit = search_.Hits()[size_t(index)];
    anchor_ = hit;
    if (target_.show) target_.show(hit, search_.NeedleSize());
}

QString FindBar::CountText() const {
    if (!search_.Active()) return {};
    const qsizetype total = qsizetype(search_.Hits().size());
    if (search_.Done() && total == 0) return QStringLiteral("Sin coincidencias");
    const QString of = QString::fromLatin1(GroupedCount(total)) +
                       (search_.Done() ? QString() : QStringLiteral("…"));
    if (current_ < 0) return of;
    return QStringLiteral("%1 de %2").arg(QString::fromLatin1(GroupedCount(current_ + 1)), of);
}

void FindBar::updateCount() {
    lblFindCount->setText(CountText());
}
