#pragma once

#include "ui/Icons.h"

#include <QPainter>
#include <QtTest>

struct TintState
{
    QIcon::Mode mode;
    QIcon::State state;
    QColor colour;
};

// The colour of each mode and state of a tinted icon.
inline QList<TintState> tintStates(const QColor &normal, const QColor &active)
{
    return {
            {QIcon::Normal, QIcon::Off, normal},
            {QIcon::Active, QIcon::Off, QColor("#ffffff")},
            {QIcon::Disabled, QIcon::Off, QColor("#4b5d75")},
            {QIcon::Normal, QIcon::On, active},
            {QIcon::Active, QIcon::On, active},
            {QIcon::Selected, QIcon::Off, QColor("#ffffff")},
    };
}

// The tinted icon built the plain way, every size and state drawn at once,
// against which the icon drawn on demand is compared.
inline QIcon upFrontIcon(const QString &name, const QColor &normal, const QColor &active)
{
    QIcon result;
    for (int sizePx : {16, 20, 24, 32}) {
        for (const TintState &row : tintStates(normal, active))
            result.addPixmap(renderIcon(name, sizePx, row.colour), row.mode, row.state);
    }
    return result;
}

// Every way a widget asks an icon for its picture gives the same answer from
// both icons, for sizes between, on and beyond the drawn ones. Each check uses
// a fresh icon, so no earlier request has drawn the size in advance.
inline void compareWithUpFrontIcon(const QString &name, const QColor &normal, const QColor &active)
{
    const QIcon reference = upFrontIcon(name, normal, active);
    const QIcon::Mode modes[] = {QIcon::Normal, QIcon::Active, QIcon::Disabled, QIcon::Selected};
    int index = 0;
    for (int side : {8, 15, 16, 17, 20, 22, 24, 30, 32, 48}) {
        const QSize size(side, side);
        for (QIcon::Mode mode : modes) {
            for (QIcon::State state : {QIcon::Off, QIcon::On}) {
                // A colour pair no other check uses makes the cached icon new.
                const QColor fresh = QColor::fromRgb(0x10, 0x20, (index++) % 256);
                const QIcon onDemand = tintedIcon(name, fresh, active);
                const QIcon expected = upFrontIcon(name, fresh, active);
                const QString where = QStringLiteral("%1 px, mode %2, state %3")
                                              .arg(side)
                                              .arg(int(mode))
                                              .arg(int(state));
                QCOMPARE(onDemand.actualSize(size, mode, state),
                         expected.actualSize(size, mode, state));
                const QPixmap got = onDemand.pixmap(size, mode, state);
                const QPixmap want = expected.pixmap(size, mode, state);
                QCOMPARE(got.devicePixelRatio(), want.devicePixelRatio());
                QVERIFY2(got.toImage() == want.toImage(), qPrintable(where));

                QImage painted(size * 2, QImage::Format_ARGB32_Premultiplied);
                QImage paintedWant = painted;
                painted.fill(Qt::transparent);
                paintedWant.fill(Qt::transparent);
                {
                    QPainter painter(&painted);
                    tintedIcon(name, fresh.lighter(), active)
                            .paint(&painter, painted.rect(), Qt::AlignCenter, mode, state);
                }
                {
                    QPainter painter(&paintedWant);
                    upFrontIcon(name, fresh.lighter(), active)
                            .paint(&painter, paintedWant.rect(), Qt::AlignCenter, mode, state);
                }
                QVERIFY2(painted == paintedWant, qPrintable(where + " painted"));
            }
        }
    }
    for (QIcon::Mode mode : modes) {
        for (QIcon::State state : {QIcon::Off, QIcon::On})
            QCOMPARE(tintedIcon(name, normal, active).availableSizes(mode, state),
                     reference.availableSizes(mode, state));
    }
}
