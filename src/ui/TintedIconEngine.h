#pragma once

#include <QColor>
#include <QIcon>
#include <QIconEngine>
#include <QString>

// A tinted line icon whose pictures are drawn when first asked for. Building
// every size and state up front cost most of the window's start-up, mostly
// for menu entries and pages that may never be shown. Each size is drawn in
// all its states at once into a plain icon, which then answers exactly as an
// icon built up front would (same size choice, same fallbacks between states).
class TintedIconEngine final : public QIconEngine
{
public:
    TintedIconEngine(const QString &name, const QColor &normal, const QColor &active);

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override;
    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override;
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override;
    QIconEngine *clone() const override;
    QString key() const override;

    // The sizes, in logical pixels, at which the icon has pictures.
    static constexpr int SizesPx[] = {16, 20, 24, 32};

private:
    // Draws the sizes an up-front icon could pick for a request of this size,
    // whether the size is in device or in logical pixels.
    void prepareFor(const QSize &size);
    int pick(const QSize &size) const;
    void prepareSize(int index);
    int devicePx(int index) const;

    QString m_name;
    QColor m_normal;
    QColor m_active;
    qreal m_ratio;
    QIcon m_drawn;
    unsigned m_drawnSizes = 0;
};
