// A horizontal slider drawn from bitmaps: a channel (with an optional marked range drawn from a
// second channel image) and a thumb. Range, value, steps and keys are Qt's; it draws, maps the
// mouse, and reports drags and key moves to its owner by the design's signals.
#pragma once

#include <QAbstractSlider>
#include <QPixmap>

namespace zentrova {

class CBitmapSlider : public QAbstractSlider {
    Q_OBJECT
public:
    enum MarkMode { NoMarks = 0, FromBegin = 1, BetweenMarks = 2 };

    explicit CBitmapSlider(QWidget *parent = nullptr);

    // Channel images: `first` outside the marked range, `second` inside it (and the plain look).
    // The slider takes the size of the first. Returns false and keeps the old pair on failure.
    bool SetChannelBitmaps(int first, int second);
    // Thumb images 308 (normal) and 309 (while dragging); their top-left colour is transparent.
    bool SetThumbBitmaps();

    // The design's names for the slider's range, value and page step.
    void SetRange(int minimum, int maximum) { setRange(minimum, maximum); }
    int GetRangeMin() const { return minimum(); }
    int GetRangeMax() const { return maximum(); }
    // Clamped into the range.
    void SetPos(int position) { setValue(position); }
    int GetPos() const { return value(); }
    void SetPageSize(int page) { setPageStep(page); }
    void SetMargin(int left, int top, int right, int bottom);
    void SetMarks(int begin, int end);
    void SetMarkMode(MarkMode mode);
    int BeginMark() const { return m_beginMark; }
    int EndMark() const { return m_endMark; }
    MarkMode GetMarkMode() const { return m_markMode; }

    // Centre pixel of the thumb for `position`, and back.
    int PixelOf(int position) const;
    int PositionOf(int pixel) const;

    QSize sizeHint() const override;

signals:
    // While the thumb is dragged, each time the position changes.
    void SliderMoving(int controlId, int position);
    // When the mouse is released, and after each handled key.
    void SliderMoved(int controlId, int position);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    // The wheel moves nothing: a move the owner is not told of would be undone by its timer.
    void wheelEvent(QWheelEvent *event) override;

private:
    int UsableLength() const;
    void DragTo(int x);

    QPixmap m_channelFirst;
    QPixmap m_channelSecond;
    QPixmap m_thumb;
    QPixmap m_thumbDrag;
    int m_marginLeft = 0;
    int m_marginTop = 0;
    int m_marginRight = 0;
    int m_marginBottom = 0;
    MarkMode m_markMode = NoMarks;
    int m_beginMark = 0;
    int m_endMark = 0;
    int m_dragOffset = 0;
};

} // namespace zentrova
