#include "menuentries.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QStyle>
#include <QWindow>

namespace inv::ui {

QString withoutMnemonics(const QString &caption)
{
    QString text;
    text.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption.at(i) == QLatin1Char('&')) {
            // "&&" stands for one "&"; a single one marks the next letter.
            if (i + 1 < caption.size() && caption.at(i + 1) == QLatin1Char('&'))
                text += caption.at(++i);
            continue;
        }
        text += caption.at(i);
    }
    return text;
}

namespace {

// A menu entry as a screen reader finds it: the same as the toolkit's own
// (its role, state, place, submenu, and a press that triggers it), but
// named by its whole caption without the marks.
class MenuEntry : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    MenuEntry(QWidget *owner, QAction *action) : m_action(action), m_owner(owner) { }

    bool isValid() const override { return m_action && m_owner; }
    QObject *object() const override { return m_action; }
    QWindow *window() const override
    {
        if (!m_owner)
            return nullptr;
        if (QWindow *window = m_owner->windowHandle())
            return window;
        const QWidget *native = m_owner->nativeParentWidget();
        return native ? native->windowHandle() : nullptr;
    }
    void *interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface *>(this) : nullptr;
    }

    QAccessibleInterface *parent() const override { return QAccessible::queryAccessibleInterface(m_owner.data()); }
    int childCount() const override { return m_action && m_action->menu() ? 1 : 0; }
    QAccessibleInterface *child(int index) const override
    {
        if (index == 0 && m_action && m_action->menu())
            return QAccessible::queryAccessibleInterface(m_action->menu());
        return nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return child && m_action && child->object() == m_action->menu() ? 0 : -1;
    }
    QAccessibleInterface *childAt(int x, int y) const override
    {
        QAccessibleInterface *submenu = child(0);
        return submenu && submenu->rect().contains(x, y) ? submenu : nullptr;
    }

    QRect rect() const override
    {
        QRect place;
        if (auto *bar = qobject_cast<QMenuBar *>(m_owner.data()))
            place = bar->actionGeometry(m_action).translated(bar->mapToGlobal(QPoint(0, 0)));
        else if (auto *menu = qobject_cast<QMenu *>(m_owner.data()))
            place = menu->actionGeometry(m_action).translated(menu->mapToGlobal(QPoint(0, 0)));
        return place;
    }
    QAccessible::Role role() const override
    {
        return m_action->isSeparator() ? QAccessible::Separator : QAccessible::MenuItem;
    }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!m_owner || !m_owner->isVisible() || !m_action->isVisible())
            s.invisible = true;
        if (auto *menu = qobject_cast<QMenu *>(m_owner.data()); menu && menu->activeAction() == m_action)
            s.focused = true;
        if (auto *bar = qobject_cast<QMenuBar *>(m_owner.data()); bar && bar->activeAction() == m_action)
            s.focused = true;
        if (m_owner && m_owner->style()->styleHint(QStyle::SH_Menu_MouseTracking))
            s.hotTracked = true;
        if (m_action->isSeparator() || !m_action->isEnabled())
            s.disabled = true;
        s.checkable = m_action->isCheckable();
        s.checked = m_action->isChecked();
        return s;
    }
    QString text(QAccessible::Text t) const override
    {
        switch (t) {
        case QAccessible::Name:
            return withoutMnemonics(m_action->text());
        case QAccessible::Accelerator:
            if (!m_action->shortcut().isEmpty())
                return m_action->shortcut().toString(QKeySequence::NativeText);
            return QKeySequence::mnemonic(m_action->text()).toString(QKeySequence::NativeText);
        default:
            return {};
        }
    }
    void setText(QAccessible::Text t, const QString &text) override
    {
        if (t == QAccessible::Name)
            m_action->setText(text);
    }

    QStringList actionNames() const override
    {
        if (!m_action || m_action->isSeparator())
            return {};
        return {m_action->menu() ? showMenuAction() : pressAction()};
    }
    void doAction(const QString &name) override
    {
        if (!m_action->isEnabled())
            return;
        if (name == pressAction()) {
            m_action->trigger();
        } else if (name == showMenuAction() && m_action->menu()) {
            if (m_action->menu()->isVisible())
                m_action->menu()->hide();
            else if (auto *bar = qobject_cast<QMenuBar *>(m_owner.data()))
                bar->setActiveAction(m_action);
            else if (auto *menu = qobject_cast<QMenu *>(m_owner.data()))
                menu->setActiveAction(m_action);
        }
    }
    QStringList keyBindingsForAction(const QString &) const override { return {}; }

private:
    QPointer<QAction> m_action;
    QPointer<QWidget> m_owner;
};

QAccessibleInterface *menuEntryFactory(const QString &className, QObject *object)
{
    if (className != QLatin1String("QAction"))
        return nullptr;
    auto *action = static_cast<QAction *>(object);
    // The menu or menu bar it is an entry of; an action elsewhere (a
    // toolbar's button speaks for itself) is left to the toolkit.
    for (QObject *holder : action->associatedObjects())
        if (qobject_cast<QMenu *>(holder) || qobject_cast<QMenuBar *>(holder))
            return new MenuEntry(static_cast<QWidget *>(holder), action);
    return nullptr;
}

} // namespace

void readMenuEntriesWithoutMnemonics()
{
    static const bool installed = [] {
        QAccessible::installFactory(menuEntryFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace inv::ui
