#pragma once

#include <QImage>
#include <QWidget>

class QLabel;

// The small floating window above the seek bar while the mouse hovers it:
// a preview frame, the chapter title and the time under the pointer.
class PreviewPopup : public QWidget
{
    Q_OBJECT

public:
    explicit PreviewPopup(QWidget *parent = nullptr);

    // Places the popup centred above the anchor (a global point), kept inside
    // the available area of the anchor's screen.
    void showAt(const QPoint &globalAnchor, const QString &timeText, const QString &chapterTitle);
    void setImage(const QImage &image);
    void clearImage();

    QLabel *pictureLabel() const { return m_picture; }
    QLabel *chapterLabel() const { return m_chapter; }
    QLabel *timeLabel() const { return m_time; }

private:
    void place();

    QPoint m_anchor;
    QLabel *m_picture = nullptr;
    QLabel *m_chapter = nullptr;
    QLabel *m_time = nullptr;
};
