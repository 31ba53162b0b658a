#include "ui/TintedIconEngine.h"

#include "ui/Icons.h"
#include "ui/Theme.h"

#include <QGuiApplication>
#include <QPaintDevice>
#include <QPainter>

namespace {

struct StateColour
{
    QIcon::Mode mode;
    QIcon::State state;
    // Null for the state's own colour pair: 0 normal, 1 active.
    const char *fixed;
    int pairIndex;
};

// Modes and states with a picture of their own; the rest fall back as for
// any icon.
constexpr StateColour States[] = {
        {QIcon::Normal, QIcon::Off, nullptr, 0},
        {QIcon::Active, QIcon::Off, ThemeColor::White, 0},
        {QIcon::Disabled, QIcon::Off, ThemeColor::Disabled, 0},
        {QIcon::Normal, QIcon::On, nullptr, 1},
        {QIcon::Active, QIcon::On, nullptr, 1},
        {QIcon::Selected, QIcon::Off, ThemeColor::White, 0},
};

constexpr int SizeCount = int(std::size(TintedIconEngine::SizesPx));

int area(const QSize &size)
{
    return size.width() * size.height();
}

} // namespace

TintedIconEngine::TintedIconEngine(const QString &name, const QColor &normal, const QColor &active)
    : m_name(name)
    , m_normal(normal)
    , m_active(active)
    , m_ratio(qGuiApp ? qGuiApp->devicePixelRatio() : 1.0)
{}

int TintedIconEngine::devicePx(int index) const
{
    return qMax(1, qRound(SizesPx[index] * m_ratio));
}

void TintedIconEngine::prepareSize(int index)
{
    if (m_drawnSizes & (1u << index))
        return;
    m_drawnSizes |= 1u << index;
    for (const StateColour &row : States) {
        const QColor colour = row.fixed ? QColor(QLatin1String(row.fixed))
                                        : (row.pairIndex == 0 ? m_normal : m_active);
        m_drawn.addPixmap(renderIcon(m_name, SizesPx[index], colour, m_ratio), row.mode, row.state);
    }
}

int TintedIconEngine::pick(const QSize &size) const
{
    // A plain icon takes the smallest picture at least as large as asked,
    // else the largest one.
    for (int index = 0; index < SizeCount; ++index) {
        const int side = devicePx(index);
        if (side * side >= area(size))
            return index;
    }
    return SizeCount - 1;
}

void TintedIconEngine::prepareFor(const QSize &size)
{
    prepareSize(pick(size));
    if (m_ratio != 1.0)
        prepareSize(pick(size / m_ratio));
}

void TintedIconEngine::paint(QPainter *painter, const QRect &rect, QIcon::Mode mode,
                             QIcon::State state)
{
    const QPaintDevice *device = painter->device();
    const qreal ratio = device ? device->devicePixelRatio() : m_ratio;
    painter->drawPixmap(rect, pixmap(rect.size() * ratio, mode, state));
}

QPixmap TintedIconEngine::pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state)
{
    prepareFor(size);
    // A ratio of 1 hands the size to the drawn icon as it is.
    return m_drawn.pixmap(size, 1.0, mode, state);
}

QSize TintedIconEngine::actualSize(const QSize &size, QIcon::Mode, QIcon::State)
{
    // Every state has every size, so the answer needs no picture.
    const int side = devicePx(pick(size));
    QSize actual(side, side);
    if (side > size.width() || side > size.height())
        actual.scale(size, Qt::KeepAspectRatio);
    return actual;
}

QList<QSize> TintedIconEngine::availableSizes(QIcon::Mode mode, QIcon::State state)
{
    QList<QSize> sizes;
    for (const StateColour &row : States) {
        if (row.mode == mode && row.state == state) {
            for (int index = 0; index < SizeCount; ++index)
                sizes.append(QSize(devicePx(index), devicePx(index)));
        }
    }
    return sizes;
}

QIconEngine *TintedIconEngine::clone() const
{
    return new TintedIconEngine(*this);
}

QString TintedIconEngine::key() const
{
    return QStringLiteral("TintedIconEngine");
}
