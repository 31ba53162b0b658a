// Card grid under load: 10,000 cards scrolled from top to bottom at 60 steps
// per second, then a jump back to the top. Prints the paint times of the
// viewport, the longest GUI-thread stall, the process's memory, the time until
// every visible card shows its picture after the jump and the relayout time
// of a resize. "bare" runs the same scroll over a plain list view with the
// default delegate (text only), the baseline of the paint times.
//
// Usage: bench_cards cards|bare <list file> video|audio
//   the list file holds one media path per line.

#include "StallProbe.h"
#include "library/Covers.h"
#include "library/Thumbnailer.h"
#include "ui/CardDelegate.h"
#include "ui/CardView.h"
#include "ui/ItemRoles.h"
#include "ui/Theme.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QListView>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int StepMs = 16; // about 60 steps per second
constexpr int StepPx = 120;
constexpr int JumpTimeoutMs = 120000;

// VmRSS or VmHWM of this process in KiB.
long statusKiB(const char *field)
{
    QFile file(QStringLiteral("/proc/self/status"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

// Times the view's own paints and layouts.
template<typename Base>
class Timed : public Base
{
public:
    using Base::Base;
    QList<double> paintMs;
    QList<double> layoutMs;

protected:
    bool viewportEvent(QEvent *event) override
    {
        if (event->type() != QEvent::Paint)
            return Base::viewportEvent(event);
        QElapsedTimer timer;
        timer.start();
        const bool handled = Base::viewportEvent(event);
        paintMs.append(timer.nsecsElapsed() / 1e6);
        return handled;
    }

public:
    void doItemsLayout() override
    {
        QElapsedTimer timer;
        timer.start();
        Base::doItemsLayout();
        layoutMs.append(timer.nsecsElapsed() / 1e6);
    }
};

double percentile(QList<double> values, double p)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min<qsizetype>(values.size() - 1, qsizetype(p * values.size()))];
}

void fillModel(QStandardItemModel *model, const QStringList &paths, const QString &kind)
{
    for (int i = 0; i < paths.size(); ++i) {
        auto *item = new QStandardItem(QStringLiteral("Card %1").arg(i));
        item->setData(paths[i], ItemRole::Path);
        item->setData(kind, ItemRole::Kind);
        item->setData(QStringLiteral("subtitle %1").arg(i), ItemRole::Subtitle);
        item->setData(QStringLiteral("3:%1").arg(i % 60, 2, 10, QLatin1Char('0')), ItemRole::Badge);
        model->appendRow(item);
    }
}

// Scrolls from top to bottom one step per tick; returns when done.
void scrollThrough(QAbstractItemView *view)
{
    QEventLoop loop;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        QScrollBar *bar = view->verticalScrollBar();
        if (bar->value() >= bar->maximum()) {
            loop.quit();
            return;
        }
        bar->setValue(bar->value() + StepPx);
    });
    tick.start(StepMs);
    loop.exec();
}

// Whether every card in view has its own picture (no placeholder).
bool visiblePicturesReady(CardView *view, const QString &kind)
{
    const QRect area = view->viewport()->rect();
    for (int row = 0; row < view->model()->rowCount(); ++row) {
        const QModelIndex index = view->model()->index(row, 0);
        const QRect rect = view->visualRect(index);
        if (rect.top() > area.bottom())
            break;
        if (!rect.intersects(area))
            continue;
        const QString path = index.data(ItemRole::Path).toString();
        const QPixmap pixmap =
                kind == QLatin1String("video")
                        ? Covers::instance()->videoThumb(path, 384, -0.15, QStringLiteral("lib"))
                        : Covers::instance()->cover(path, rect.width() * 2);
        if (pixmap.isNull())
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QStandardPaths::setTestModeEnabled(false);
    QApplication app(argc, argv);
    applyTheme(app);
    const QStringList args = QCoreApplication::arguments();
    const QString mode = args.value(1);
    QFile listFile(args.value(2));
    const QString kind = args.value(3, QStringLiteral("video"));
    if ((mode != QLatin1String("cards") && mode != QLatin1String("bare")) ||
        !listFile.open(QIODevice::ReadOnly)) {
        std::fputs("usage: bench_cards cards|bare <list file> video|audio\n", stderr);
        return 2;
    }
    const QStringList paths =
            QString::fromUtf8(listFile.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const long rssStart = statusKiB("VmRSS");

    StallProbe probe;
    QElapsedTimer clock;
    if (mode == QLatin1String("bare")) {
        Timed<QListView> view;
        auto *model = new QStandardItemModel(&view);
        fillModel(model, paths, kind);
        view.setModel(model);
        view.setViewMode(QListView::IconMode);
        view.setResizeMode(QListView::Adjust);
        view.setUniformItemSizes(true);
        view.setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
        // Cells of the cards' size, so both views scroll the same distance.
        CardDelegate sizes(false, kind == QLatin1String("video"));
        sizes.setCardWidth(CardView::gridCardWidth(
                1320 - view.style()->pixelMetric(QStyle::PM_ScrollBarExtent)));
        view.setGridSize(sizes.sizeHint({}, {}));
        view.resize(1320, 820);
        view.show();
        QCoreApplication::processEvents();
        probe.start();
        scrollThrough(&view);
        probe.stop();
        std::printf("bare paints %lld p50 %.2f p95 %.2f max %.2f ms stall %.1f ms\n",
                    qint64(view.paintMs.size()), percentile(view.paintMs, 0.5),
                    percentile(view.paintMs, 0.95), percentile(view.paintMs, 1.0),
                    probe.longestStallMs());
        return 0;
    }

    Timed<CardView> view(false, kind == QLatin1String("video"));
    fillModel(view.model(), paths, kind);
    view.resize(1320, 820);
    view.show();
    QCoreApplication::processEvents();

    probe.start();
    scrollThrough(&view);
    const double scrolledMs = probe.nowMs();
    const long rssAfterScroll = statusKiB("VmRSS");

    // Back to the top: how long until the cards there show their pictures.
    view.verticalScrollBar()->setValue(0);
    clock.start();
    QEventLoop wait;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (visiblePicturesReady(&view, kind) || clock.elapsed() > JumpTimeoutMs)
            wait.quit();
    });
    poll.start();
    wait.exec();
    const double jumpMs = clock.elapsed();
    const bool jumpDone = jumpMs <= JumpTimeoutMs;

    // Relayout of all cards on a resize.
    view.layoutMs.clear();
    view.resize(1000, 820);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    probe.stop();

    std::printf("cards %s paints %lld p50 %.2f p95 %.2f max %.2f ms\n", qPrintable(kind),
                qint64(view.paintMs.size()), percentile(view.paintMs, 0.5),
                percentile(view.paintMs, 0.95), percentile(view.paintMs, 1.0));
    std::printf("stall scroll %.1f ms, whole run %.1f ms\n", probe.longestStallMs(0, scrolledMs),
                probe.longestStallMs());
    std::printf("jump-to-pictures %s %.0f ms\n", jumpDone ? "done" : "timeout", jumpMs);
    std::printf("relayout %.2f ms (%lld passes)\n",
                view.layoutMs.isEmpty() ? 0.0 : percentile(view.layoutMs, 1.0),
                qint64(view.layoutMs.size()));
    std::printf("rss-kib start %ld after-scroll %ld peak %ld end %ld growth %ld\n", rssStart,
                rssAfterScroll, statusKiB("VmHWM"), statusKiB("VmRSS"),
                statusKiB("VmRSS") - rssStart);
    // The private engine goes before the application does.
    Thumbnailer::instance()->shutdown();
    return 0;
}
