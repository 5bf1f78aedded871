// A push button drawn entirely from bitmaps: a normal and a hover image, a pressed image laid
// over either, and a window shape cut from a bitmap. Owners swap the images to show states.
#pragma once

#include <QAbstractButton>
#include <QCursor>
#include <QImage>
#include <QPixmap>
#include <QRegion>

#include <optional>

namespace zentrova {

class CControlButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit CControlButton(QWidget *parent = nullptr);

    // Bitmap numbers in the order hover, normal, pressed, fourth (kept, never drawn).
    // Repaints, since every owner wants the new look at once.
    void SetBitmaps(int hover, int normal, int pressed, int fourth);

    // Cuts the button to the non-white pixels of bitmap `number`; a missing bitmap leaves the
    // plain rectangle. Returns whether a shape was applied.
    bool SetRegionFromBitmap(int number);
    // The same for an image. An all-white image leaves nothing: the button is neither drawn nor
    // reached by the mouse or the keyboard, and presses fall through to what lies below.
    void SetRegionFromImage(const QImage &image);
    bool HasEmptyShape() const { return m_emptyShape; }

    // The numbers last given to SetBitmaps, so owners and tests can tell which look is shown.
    int HoverBitmap() const { return m_numbers[0]; }
    int NormalBitmap() const { return m_numbers[1]; }
    int PressedBitmap() const { return m_numbers[2]; }
    bool IsHovered() const { return m_hover; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    // Qt shows a disabled widget's parent's cursor: while the pointer is over the button
    // disabled, the parent wears the button's cursor.
    void LendCursorToParent(bool lend);
    void ShowOwnCursor();
    // Null: the whole rectangle.
    void ApplyShape(const std::optional<QRegion> &shape);

    QPixmap m_hoverImage;
    QPixmap m_normalImage;
    QPixmap m_pressedImage;
    QPixmap m_fourthImage;
    int m_numbers[4] = {0, 0, 0, 0};
    bool m_hover = false;
    bool m_emptyShape = false;
    bool m_lending = false;
    bool m_parentHadCursor = false;
    QCursor m_parentCursor;
};

} // namespace zentrova
