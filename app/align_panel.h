#pragma once
// A panel that places its children by edge alignment, in the order they were added: each child
// aligned to the top, bottom, left or right takes its fixed height or width from that edge of the
// space still free, and the one client child fills what is left (possibly nothing). Unlike a Qt
// layout it imposes no minimum size on the window, so a window can be restored to any size.
#include <QFrame>
#include <vector>

class TAlignPanel : public QFrame {
    Q_OBJECT
  public:
    enum class TAlign { Top, Bottom, Left, Right, Client };

    explicit TAlignPanel(QWidget* parent = nullptr);

    // Adds `child` (reparented to this panel). `extent` is the height for Top/Bottom and the width
    // for Left/Right, in pixels; ignored for Client.
    void AddAligned(QWidget* child, TAlign align, int extent = 0);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return {0, 0}; }

    // Places the children again (also done on every resize).
    void Realign();

  protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct TItem {
        QWidget* Widget;
        TAlign Align;
        int Extent;
    };
    std::vector<TItem> items_;
};
