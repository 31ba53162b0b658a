#include "Sheets.h"
#include "ui/Icons.h"
#include "ui/Theme.h"
#include "ui/Toast.h"
#include "ui/WidgetBuilders.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSlider>
#include <QSpinBox>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>
#include <QThread>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>

namespace {

void settle(int ms = 150)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}

// Widgets drawn in their hover look. Hover follows the real pointer, so the
// pointer visits each of them and its part of the window is copied in.
struct Hovered
{
    QPointer<QWidget> widget;
    QPoint point; // where the pointer rests; the centre when null
};

QList<Hovered> &hoveredWidgets()
{
    static QList<Hovered> widgets;
    return widgets;
}

void markHovered(QWidget *widget, QPoint point = QPoint())
{
    hoveredWidgets() << Hovered{widget, point};
}

void paintHovered(QWidget *window, QImage &windowImage)
{
    QPainter painter(&windowImage);
    for (const Hovered &entry : hoveredWidgets()) {
        QWidget *widget = entry.widget;
        if (!widget)
            continue;
        const QPoint point = entry.point.isNull() ? widget->rect().center() : entry.point;
        QCursor::setPos(widget->mapToGlobal(point));
        settle(120);
        const QImage hovered = window->grab().toImage();
        const QRect area(widget->mapTo(window, QPoint(0, 0)), widget->size());
        painter.drawImage(area.topLeft(), hovered.copy(area));
    }
    QCursor::setPos(QPoint(1910, 1070));
    settle(80);
}

QToolButton *toolButton(const QString &iconName, bool checked = false)
{
    auto *button = new QToolButton;
    button->setIcon(icon(iconName));
    button->setIconSize(QSize(20, 20));
    button->setCheckable(checked);
    button->setChecked(checked);
    return button;
}

QPushButton *chip(const QString &text, bool checked)
{
    QPushButton *button = makeButton(text);
    button->setProperty("chip", true);
    button->setCheckable(true);
    button->setChecked(checked);
    return button;
}

QWidget *row(std::initializer_list<QWidget *> widgets)
{
    auto *box = new QWidget;
    auto *layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    for (QWidget *widget : widgets)
        layout->addWidget(widget);
    layout->addStretch();
    return box;
}

QGroupBox *buttonsGroup()
{
    auto *group = new QGroupBox(QStringLiteral("Buttons"));
    auto *layout = new QVBoxLayout(group);
    QPushButton *hovered = makeButton(QStringLiteral("Hover"), QStringLiteral("refresh"));
    markHovered(hovered);
    QPushButton *disabled = makeButton(QStringLiteral("Disabled"), QStringLiteral("trash"));
    disabled->setEnabled(false);
    layout->addWidget(row({makeButton(QStringLiteral("Add folder"), QStringLiteral("folder-plus")),
                           hovered, disabled}));
    QPushButton *primaryHover = makeButton(QStringLiteral("Hover"), QStringLiteral("play"), true);
    markHovered(primaryHover);
    layout->addWidget(row(
            {makeButton(QStringLiteral("Play all"), QStringLiteral("play"), true), primaryHover}));
    layout->addWidget(row({chip(QStringLiteral("All"), true), chip(QStringLiteral("Rock"), false),
                           chip(QStringLiteral("Jazz"), false)}));
    QToolButton *hoveredTool = toolButton(QStringLiteral("shuffle"));
    markHovered(hoveredTool);
    auto *speed = new QToolButton;
    speed->setObjectName(QStringLiteral("SpeedButton"));
    speed->setText(QStringLiteral("1.25x"));
    layout->addWidget(row({toolButton(QStringLiteral("repeat")),
                           toolButton(QStringLiteral("repeat-one"), true), hoveredTool,
                           toolButton(QStringLiteral("more")), speed}));
    return group;
}

QGroupBox *inputsGroup()
{
    auto *group = new QGroupBox(QStringLiteral("Inputs"));
    auto *layout = new QVBoxLayout(group);
    auto *edit = new QLineEdit(QStringLiteral("Selected text in a line edit"));
    edit->setSelection(0, 8);
    layout->addWidget(edit);
    auto *search = new QLineEdit;
    search->setPlaceholderText(QStringLiteral("Search music, videos, radios…"));
    search->addAction(icon(QStringLiteral("search")), QLineEdit::LeadingPosition);
    layout->addWidget(search);
    auto *spin = new QSpinBox;
    spin->setRange(0, 100);
    spin->setValue(42);
    auto *doubleSpin = new QDoubleSpinBox;
    doubleSpin->setValue(1.25);
    auto *combo = new QComboBox;
    combo->addItems({QStringLiteral("English"), QStringLiteral("Português")});
    layout->addWidget(row({spin, doubleSpin, combo}));
    auto *keys = new QKeySequenceEdit(QKeySequence(QStringLiteral("Ctrl+Shift+M")));
    layout->addWidget(keys);
    auto *on = new QCheckBox(QStringLiteral("Checked"));
    on->setChecked(true);
    auto *off = new QCheckBox(QStringLiteral("Unchecked"));
    auto *disabled = new QCheckBox(QStringLiteral("Disabled"));
    disabled->setEnabled(false);
    layout->addWidget(row({on, off, disabled}));
    auto *radioOn = new QRadioButton(QStringLiteral("Radio on"));
    radioOn->setChecked(true);
    layout->addWidget(row({radioOn, new QRadioButton(QStringLiteral("Radio off"))}));
    return group;
}

QGroupBox *slidersGroup()
{
    auto *group = new QGroupBox(QStringLiteral("Sliders and tabs"));
    auto *layout = new QHBoxLayout(group);
    auto *column = new QVBoxLayout;
    for (int value : {30, 75}) {
        auto *slider = new QSlider(Qt::Horizontal);
        slider->setRange(0, 100);
        slider->setValue(value);
        slider->setMinimumWidth(200);
        column->addWidget(slider);
    }
    auto *tabs = new QTabWidget;
    for (const char *title : {"General", "Playback", "Library"}) {
        auto *page = new QLabel(QStringLiteral("Tab page: %1").arg(QLatin1String(title)));
        page->setObjectName(QStringLiteral("Muted"));
        tabs->addTab(page, QLatin1String(title));
    }
    tabs->setMinimumHeight(90);
    column->addWidget(tabs);
    layout->addLayout(column, 1);
    for (int value : {20, 60, 90}) {
        auto *slider = new QSlider(Qt::Vertical);
        slider->setRange(0, 100);
        slider->setValue(value);
        slider->setMinimumHeight(120);
        layout->addWidget(slider);
    }
    return group;
}

QTableWidget *table()
{
    auto *table = new QTableWidget(14, 5);
    table->setHorizontalHeaderLabels({QStringLiteral("Title"), QStringLiteral("Artist"),
                                      QStringLiteral("Album"), QStringLiteral("Year"),
                                      QStringLiteral("Duration")});
    for (int r = 0; r < table->rowCount(); ++r) {
        table->setItem(r, 0, new QTableWidgetItem(QStringLiteral("Song number %1").arg(r + 1)));
        table->setItem(r, 1, new QTableWidgetItem(QStringLiteral("Artist %1").arg(r % 4 + 1)));
        table->setItem(r, 2, new QTableWidgetItem(QStringLiteral("A rather long album name")));
        table->setItem(r, 3, new QTableWidgetItem(QString::number(1990 + r)));
        table->setItem(r, 4, new QTableWidgetItem(QStringLiteral("3:%1").arg(10 + r)));
    }
    table->setAlternatingRowColors(true);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->selectRow(2);
    table->verticalHeader()->hide();
    table->setShowGrid(false);
    table->horizontalHeader()->setStretchLastSection(false);
    table->setColumnWidth(0, 150);
    table->setColumnWidth(2, 220);
    table->setMinimumHeight(210);
    return table;
}

QWidget *sidebar()
{
    auto *bar = new QWidget;
    bar->setObjectName(QStringLiteral("Sidebar"));
    bar->setAttribute(Qt::WA_StyledBackground);
    bar->setFixedWidth(210);
    auto *layout = new QVBoxLayout(bar);
    auto *logo = new QLabel;
    logo->setPixmap(appLogo(40));
    auto *brand = new QWidget;
    auto *brandLayout = new QVBoxLayout(brand);
    brandLayout->setContentsMargins(0, 0, 0, 0);
    brandLayout->setSpacing(0);
    brandLayout->addWidget(makeLabel(QStringLiteral("Zorvi"), QStringLiteral("BrandName")));
    brandLayout->addWidget(makeLabel(QStringLiteral("Player"), QStringLiteral("BrandSub")));
    layout->addWidget(row({logo, brand}));
    const struct
    {
        const char *text;
        const char *icon;
    } pages[] = {{"Home", "home"},          {"Videos", "film"},   {"Music", "music"},
                 {"Playlists", "playlist"}, {"Recents", "clock"}, {"Radio && TV", "radio"},
                 {"Settings", "settings"}};
    int index = 0;
    for (const auto &page : pages) {
        auto *button = new QPushButton(QLatin1String(page.text));
        button->setIcon(tintedIcon(QLatin1String(page.icon),
                                   QColor(QLatin1String(ThemeColor::SecondaryText)),
                                   QColor(QLatin1String(ThemeColor::Accent))));
        button->setIconSize(QSize(20, 20));
        button->setCheckable(true);
        button->setChecked(index == 2);
        if (index == 1)
            markHovered(button);
        layout->addWidget(button);
        ++index;
    }
    layout->addStretch();
    return bar;
}

QWidget *controlBar()
{
    auto *bar = new QWidget;
    bar->setObjectName(QStringLiteral("ControlBar"));
    bar->setAttribute(Qt::WA_StyledBackground);
    auto *layout = new QHBoxLayout(bar);
    auto *titles = new QWidget;
    auto *titlesLayout = new QVBoxLayout(titles);
    titlesLayout->setContentsMargins(0, 0, 0, 0);
    titlesLayout->setSpacing(2);
    titlesLayout->addWidget(
            makeLabel(QStringLiteral("Now playing title"), QStringLiteral("NowTitle")));
    titlesLayout->addWidget(makeLabel(QStringLiteral("Artist — Album"), QStringLiteral("NowSub")));
    layout->addWidget(titles);
    layout->addStretch();
    auto *heart = new QToolButton;
    heart->setIcon(tintedIcon(QStringLiteral("heart-filled"),
                              QColor(QLatin1String(ThemeColor::IconTint)),
                              QColor(QLatin1String(ThemeColor::HeartActive))));
    heart->setIconSize(QSize(20, 20));
    heart->setCheckable(true);
    heart->setChecked(true);
    layout->addWidget(heart);
    layout->addWidget(toolButton(QStringLiteral("prev")));
    auto *play = new QToolButton;
    play->setObjectName(QStringLiteral("PlayButton"));
    const QColor dark(QLatin1String(ThemeColor::Window));
    play->setIcon(tintedIcon(QStringLiteral("pause"), dark, dark));
    play->setIconSize(QSize(24, 24));
    layout->addWidget(play);
    layout->addWidget(toolButton(QStringLiteral("next")));
    layout->addWidget(makeLabel(QStringLiteral("1:23:45 / 2:05:00"), QStringLiteral("TimeLabel")));
    layout->addStretch();
    layout->addWidget(toolButton(QStringLiteral("volume")));
    return bar;
}

QWidget *surfaces()
{
    auto *box = new QWidget;
    auto *layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    const struct
    {
        const char *name;
        const char *text;
    } frames[] = {{"Card", "#Card"}, {"Hero", "#Hero"}, {"Banner", "#Banner"}};
    for (const auto &frame : frames) {
        auto *widget = new QWidget;
        widget->setObjectName(QLatin1String(frame.name));
        widget->setAttribute(Qt::WA_StyledBackground);
        widget->setMinimumSize(150, 70);
        auto *inner = new QVBoxLayout(widget);
        inner->addWidget(makeLabel(QLatin1String(frame.text), QStringLiteral("Muted")));
        layout->addWidget(widget);
    }
    QWidget *empty =
            makeEmptyState(QStringLiteral("folder-plus"), QStringLiteral("No music yet"),
                           QStringLiteral("Add a folder to see your songs here."),
                           makeButton(QStringLiteral("Add folder"), QStringLiteral("plus"), true));
    empty->setObjectName(QStringLiteral("Card"));
    empty->setAttribute(Qt::WA_StyledBackground);
    layout->addWidget(empty, 1);
    return box;
}

QMenu *sampleMenu(QWidget *owner)
{
    auto *menu = new QMenu(owner);
    menu->addAction(icon(QStringLiteral("folder")), QStringLiteral("Open folder…"));
    QAction *file = menu->addAction(icon(QStringLiteral("file")), QStringLiteral("Open file…"));
    menu->addAction(icon(QStringLiteral("link")), QStringLiteral("Open link…"));
    menu->addSeparator();
    QAction *normalize = menu->addAction(QStringLiteral("Normalize volume"));
    normalize->setCheckable(true);
    normalize->setChecked(true);
    QAction *onTop = menu->addAction(icon(QStringLiteral("pin")), QStringLiteral("Always on top"));
    onTop->setCheckable(true);
    QAction *disabled =
            menu->addAction(icon(QStringLiteral("camera")), QStringLiteral("Disabled entry"));
    disabled->setEnabled(false);
    QMenu *speed = menu->addMenu(icon(QStringLiteral("speed")), QStringLiteral("Speed"));
    speed->addAction(QStringLiteral("1x"));
    menu->addSeparator();
    menu->addAction(icon(QStringLiteral("x")), QStringLiteral("Quit"));
    menu->setActiveAction(file);
    return menu;
}

QImage grabFocused(QWidget *widget)
{
    widget->setFocus(Qt::TabFocusReason);
    settle(80);
    return widget->grab().toImage();
}

} // namespace

QImage renderControlsSheet()
{
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Zorvi Player — styled controls"));
    QMenuBar *menus = window.menuBar();
    for (const char *title : {"&File", "&Playback", "&Audio", "&Video", "&Help"})
        menus->addMenu(QLatin1String(title));

    auto *central = new QWidget;
    auto *outer = new QHBoxLayout(central);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addWidget(sidebar());

    auto *page = new QWidget;
    auto *pageLayout = new QVBoxLayout(page);
    pageLayout->setContentsMargins(18, 12, 18, 12);
    pageLayout->addWidget(makeLabel(QStringLiteral("Page title"), QStringLiteral("PageTitle")));
    pageLayout->addWidget(
            makeLabel(QStringLiteral("Section title"), QStringLiteral("SectionTitle")));
    pageLayout->addWidget(makeLabel(QStringLiteral("Muted text that explains something."),
                                    QStringLiteral("Muted")));
    auto *groups = new QHBoxLayout;
    groups->addWidget(buttonsGroup());
    groups->addWidget(inputsGroup());
    pageLayout->addLayout(groups);
    auto *lower = new QSplitter;
    QTableWidget *songs = table();
    lower->addWidget(songs);
    lower->addWidget(slidersGroup());
    lower->setHandleWidth(6);
    lower->setSizes({480, 320});
    pageLayout->addWidget(lower);
    pageLayout->addWidget(surfaces());

    auto *right = new QVBoxLayout;
    right->setContentsMargins(0, 0, 0, 0);
    right->setSpacing(0);
    right->addWidget(page, 1);
    right->addWidget(controlBar());
    outer->addLayout(right, 1);
    window.setCentralWidget(central);
    window.resize(1280, 980);

    auto *toast = new Toast(central);
    QCursor::setPos(QPoint(1910, 1070));
    window.show();
    settle(300);
    toast->showMessage(QStringLiteral("Resuming from 12:34"), 60000);
    window.activateWindow();
    settle(300);

    // The focused look of each focusable kind, one after the other.
    QList<QImage> focused;
    auto *focusButton = makeButton(QStringLiteral("Focused"), QStringLiteral("check"));
    auto *focusTool = toolButton(QStringLiteral("settings"));
    auto *focusEdit = new QLineEdit(QStringLiteral("Focused line edit"));
    auto *focusCombo = new QComboBox;
    focusCombo->addItem(QStringLiteral("Focused combo"));
    auto *focusRow = row({focusButton, focusTool, focusEdit, focusCombo});
    focusRow->setParent(page);
    pageLayout->insertWidget(3, focusRow);
    settle(200);
    for (QWidget *widget :
         std::initializer_list<QWidget *>{focusButton, focusTool, focusEdit, focusCombo, songs})
        focused << grabFocused(widget);
    const bool active = window.isActiveWindow();
    focusEdit->setFocus();
    settle(100);
    markHovered(songs->viewport(), songs->visualItemRect(songs->item(4, 2)).center());
    QImage windowImage = window.grab().toImage();
    paintHovered(&window, windowImage);

    QMenu *menu = sampleMenu(&window);
    menu->popup(window.mapToGlobal(QPoint(40, 40)));
    settle(300);
    const QImage menuImage = menu->grab().toImage();
    menu->hide();

    // A tip only lives while the pointer stays over its widget.
    QCursor::setPos(window.mapToGlobal(QPoint(600, 30)));
    settle(150);
    QToolTip::showText(QCursor::pos(), QStringLiteral("Open a file or a folder (Ctrl+O)"), &window);
    settle(300);
    QImage tipImage;
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (top->isVisible() && top->inherits("QTipLabel"))
            tipImage = top->grab().toImage();
    }
    QToolTip::hideText();

    int columnWidth = qMax(menuImage.width() + tipImage.width() + 24, 0);
    int columnHeight = menuImage.height() + 40;
    for (const QImage &image : focused) {
        columnWidth = qMax(columnWidth, image.width());
        columnHeight += image.height() + 12;
    }
    const int margin = 16;
    QImage sheet(QSize(windowImage.width() + columnWidth + margin * 3,
                       qMax(windowImage.height(), columnHeight) + margin * 2),
                 QImage::Format_ARGB32_Premultiplied);
    sheet.fill(QColor(QLatin1String(ThemeColor::Panel)));
    QPainter painter(&sheet);
    painter.drawImage(margin, margin, windowImage);
    int x = windowImage.width() + margin * 2;
    int y = margin;
    painter.setPen(QColor(QLatin1String(ThemeColor::MutedText)));
    painter.drawText(x, y + 12, QStringLiteral("Menu"));
    painter.drawImage(x, y + 20, menuImage);
    painter.drawText(x + menuImage.width() + 24, y + 12, QStringLiteral("Tool tip"));
    painter.drawImage(x + menuImage.width() + 24, y + 20, tipImage);
    y += menuImage.height() + 40;
    painter.drawText(x, y,
                     active ? QStringLiteral("Focused")
                            : QStringLiteral("Focused (window was not active)"));
    y += 8;
    for (const QImage &image : focused) {
        painter.drawImage(x, y, image);
        y += image.height() + 12;
    }
    return sheet;
}
