// The least a Qt Widgets player window of our size costs to start, as a peer
// for bench/startup.sh: what is left of our start-up time and idle memory
// above this figure is our own code, the rest is the toolkit (and, with
// --mpv, the engine library).
//   bench_startup_floor [--mpv]
// Shows a 1320x820 main window with the Fusion style (no style sheet: ours is
// built in code by the interface layer, which this program does not link)
// and a stack of four pages holding a few hundred plain widgets and a list
// view. With --mpv it first loads libmpv at run time and starts an engine
// with no video or audio output, as the player does before its window shows.
#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QListView>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QStringListModel>
#include <QStyleFactory>
#include <QVBoxLayout>

#include <clocale>
#include <cstdio>
#include <dlfcn.h>

namespace {

constexpr int Pages = 4;
constexpr int CellsPerPage = 40; // a label and a button each
constexpr int ListRows = 200;

using MpvCreate = void *(*)();
using MpvSetOptionString = int (*)(void *, const char *, const char *);
using MpvInitialize = int (*)(void *);

// Returns false (with a line on stderr) when the library or an engine is missing.
bool startEngine()
{
    void *library = dlopen("libmpv.so.2", RTLD_NOW);
    if (!library) {
        std::fprintf(stderr, "dlopen: %s\n", dlerror());
        return false;
    }
    const auto create = reinterpret_cast<MpvCreate>(dlsym(library, "mpv_create"));
    const auto setOption =
            reinterpret_cast<MpvSetOptionString>(dlsym(library, "mpv_set_option_string"));
    const auto initialize = reinterpret_cast<MpvInitialize>(dlsym(library, "mpv_initialize"));
    if (!create || !setOption || !initialize) {
        std::fprintf(stderr, "libmpv.so.2 lacks an entry point\n");
        return false;
    }
    // The engine refuses to start under any other numeric locale.
    std::setlocale(LC_NUMERIC, "C");
    void *handle = create();
    if (!handle) {
        std::fprintf(stderr, "mpv_create failed\n");
        return false;
    }
    setOption(handle, "vo", "null");
    setOption(handle, "ao", "null");
    if (initialize(handle) < 0) {
        std::fprintf(stderr, "mpv_initialize failed\n");
        return false;
    }
    // The handle lives as long as the process, like the player's.
    return true;
}

QWidget *buildPage(int index)
{
    auto *page = new QWidget;
    auto *layout = new QGridLayout(page);
    for (int cell = 0; cell < CellsPerPage; ++cell) {
        const int row = cell / 4;
        const int column = (cell % 4) * 2;
        layout->addWidget(new QLabel(QStringLiteral("Page %1 label %2").arg(index).arg(cell)), row,
                          column);
        layout->addWidget(new QPushButton(QStringLiteral("Button %1").arg(cell)), row, column + 1);
    }
    if (index == 0) {
        QStringList rows;
        for (int row = 0; row < ListRows; ++row)
            rows << QStringLiteral("Item %1").arg(row);
        auto *list = new QListView;
        list->setModel(new QStringListModel(rows, list));
        layout->addWidget(list, CellsPerPage / 4, 0, 1, 8);
    }
    return page;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const bool withEngine = app.arguments().contains(QStringLiteral("--mpv"));
    if (withEngine && !startEngine())
        return 1;

    app.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Startup floor"));
    for (const char *title : {"&Media", "&Playback", "&Audio", "&Video", "&View", "&Help"})
        window.menuBar()->addMenu(QString::fromLatin1(title))->addAction(QStringLiteral("Item"));
    auto *stack = new QStackedWidget;
    for (int index = 0; index < Pages; ++index)
        stack->addWidget(buildPage(index));
    window.setCentralWidget(stack);
    window.resize(1320, 820);
    window.show();
    return app.exec();
}
