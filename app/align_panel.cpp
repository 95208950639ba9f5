#include "app/align_panel.h"

#include <QEvent>
#include <algorithm>

TAlignPanel::TAlignPanel(QWidget* parent) : QFrame(parent) {}

void TAlignPanel::AddAligned(QWidget* child, TAlign align, int extent) {
    child->setParent(this);
    items_.push_back({child, align, extent});
    child->installEventFilter(this);
    Realign();
}

QSize TAlignPanel::sizeHint() const {
    int w = 0, h = 0;
    for (const TItem& item : items_) {
        if (item.Align == TAlign::Left || item.Align == TAlign::Right) w += item.Extent;
        if (item.Align == TAlign::Top || item.Align == TAlign::Bottom) h += item.Extent;
    }
    return {w + 2 * frameWidth(), h + 2 * frameWidth()};
}

void TAlignPanel::Realign() {
    QRect free = contentsRect();
    for (const TItem& item : items_) {
        // A hidden edge child takes no room; the client child is placed even when hidden, so it
        // is in place when shown.
        if (item.Align != TAlign::Client && item.Widget->isHidden()) continue;
        const int w = std::max(0, free.width()), h = std::max(0, free.height());
        switch (item.Align) {
            case TAlign::Top:
                item.Widget->setGeometry(free.left(), free.top(), w, item.Extent);
                free.setTop(free.top() + item.Extent);
                break;
            case TAlign::Bottom:
                item.Widget->setGeometry(free.left(), free.top() + h - item.Extent, w, item.Extent);
                free.setBottom(free.bottom() - item.Extent);
                break;
            case TAlign::Left:
                item.Widget->setGeometry(free.left(), free.top(), item.Extent, h);
                free.setLeft(free.left() + item.Extent);
                break;
            case TAlign::Right:
                item.Widget->setGeometry(free.left() + w - item.Extent, free.top(), item.Extent, h);
                free.setRight(free.right() - item.Extent);
                break;
            case TAlign::Client:
                item.Widget->setGeometry(free.left(), free.top(), w, h);
                break;
        }
    }
}

void TAlignPanel::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    Realign();
}

bool TAlignPanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent) Realign();
    return QFrame::eventFilter(watched, event);
}
