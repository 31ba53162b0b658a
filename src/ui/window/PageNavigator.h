#pragma once

#include <QHash>
#include <QObject>
#include <QString>

#include <functional>

class QButtonGroup;
class QLabel;
class QPushButton;
class QStackedWidget;
class QVBoxLayout;
class QWidget;

// The sidebar and the page stack: one navigation button per page, the page
// shown, the last page left, and the compact sidebar of narrow windows.
class PageNavigator : public QObject
{
    Q_OBJECT

public:
    static constexpr int SidebarWidthPx = 224;
    static constexpr int CompactSidebarWidthPx = 84;
    // Windows narrower than this get the compact sidebar.
    static constexpr int CompactBelowPx = 1000;

    // Where a page's button goes in the sidebar.
    enum class Slot { Main, Player, Bottom };

    // stack holds the pages; the sidebar is built here.
    PageNavigator(QStackedWidget *stack, QObject *parent = nullptr);

    QWidget *sidebar() const { return m_sidebar; }
    QLabel *statusLabel() const { return m_statusLabel; }

    // Adds a page with its button; onShow runs each time it is shown.
    void addPage(const QString &id, const QString &label, const QString &iconName, QWidget *page,
                 Slot slot = Slot::Main, std::function<void()> onShow = {});
    // The same for a page made by `make` when it is first shown or asked for:
    // pages nobody opens cost neither start-up time nor memory.
    void addPage(const QString &id, const QString &label, const QString &iconName,
                 std::function<QWidget *()> make, Slot slot = Slot::Main,
                 std::function<void()> onShow = {});

    // Shows the page and checks its button; unknown ids are ignored.
    // Returns false for those.
    bool show(const QString &id);
    QString currentPage() const;
    QString lastPage() const { return m_lastPage; }
    // The page, made now if it was not yet; null for unknown ids.
    QWidget *page(const QString &id);
    // Whether the page exists yet.
    bool isMade(const QString &id) const { return m_pages.contains(id); }
    QPushButton *navButton(const QString &id) const { return m_buttons.value(id); }
    void setButtonVisible(const QString &id, bool visible);

    // Applies the compact sidebar for a window of this width.
    void applyWidth(int windowWidthPx);
    // Narrow sidebar: icons only, no status line.
    bool isCompact() const { return m_compact; }

Q_SIGNALS:
    // A navigation button was clicked.
    void navigationRequested(const QString &id);

private:
    void addButton(const QString &id, const QString &label, const QString &iconName, Slot slot);

    QStackedWidget *m_stack;
    QWidget *m_sidebar = nullptr;
    QVBoxLayout *m_mainButtons = nullptr;
    QVBoxLayout *m_playerButtons = nullptr;
    QVBoxLayout *m_bottomButtons = nullptr;
    QLabel *m_statusLabel = nullptr;
    bool m_compact = false;
    QButtonGroup *m_group = nullptr;
    QHash<QString, QWidget *> m_pages;
    QHash<QString, std::function<QWidget *()>> m_makers;
    QHash<QString, QPushButton *> m_buttons;
    QHash<QString, std::function<void()>> m_onShow;
    QString m_lastPage = QStringLiteral("home");
};
