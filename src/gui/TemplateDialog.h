#pragma once
// A dialog built from a resource template: controls by numeric id, window
// timers by id, the template's menu by command id, status-bar panes,
// tooltips, tab, list and progress helpers, and a window-wide input filter
// that sees keyboard and mouse input before any control does.

#include "gui/CommandMenu.h"
#include "gui/DialogUnits.h"
#include "gui/HexFilter.h"
#include "res/Templates.h"

#include <QBasicTimer>
#include <QDialog>
#include <QFont>
#include <QPoint>
#include <QRect>
#include <QString>

#include <functional>
#include <map>
#include <vector>

class QAbstractButton;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QScrollBar;
class QFrame;
class QTabWidget;

namespace tmx7::gui {

class TextArea;

// Notification codes delivered with OnCommand(id, code).
enum Notify : int {
    kClicked = 0,        // button pressed, menu command, static clicked
    kDoubleClicked = 1,  // static with kNotify double-clicked
    kSelChange = 2,      // list or combo selection changed by the user
    kEditChange = 3,     // edit text changed by the user
    kScrollLineUp = 4,   // vertical scroll bar: top arrow
    kScrollLineDown = 5, // vertical scroll bar: bottom arrow
    kScrollOther = 6,    // page or thumb request (the bar itself does not move)
    kTabSelChange = 7,   // tab control selection changed by the user
};

// The dialog font for a template's face and size. The layouts were made for
// a CJK face; an installed CJK face of the same size stands in for it.
QFont DialogFont(const char* face, int pointSize);
// Average character width and height of a font, as the conversion uses them.
DialogBase MeasureDialogBase(const QFont& font);

struct StatusPane {
    int width = 0;        // pixels; ignored when stretching
    bool stretch = false; // takes the remaining width
    QString text;
};

class TemplateDialog : public QDialog {
    Q_OBJECT
public:
    // Builds every control of `tpl` and, if it names one, its menu.
    explicit TemplateDialog(const res::Dialog& tpl, QWidget* parent = nullptr);
    // Same by dialog id; an unknown id gives an empty dialog.
    explicit TemplateDialog(int dialogId, QWidget* parent = nullptr);
    ~TemplateDialog() override;

    int DialogId() const { return m_tpl.id; }
    const res::Dialog& Template() const { return m_tpl; }
    DialogBase Base() const { return m_base; }
    // Dialog-unit rectangle to client pixels.
    QRect MapDialogRect(res::Rect r) const;
    // The area holding the controls (below the menu bar); client coordinates
    // are relative to it.
    QWidget* Client() const { return m_client; }

    // ---- controls by id ----
    QWidget* Control(int id) const; // nullptr for unknown ids
    template <class T> T* ControlAs(int id) const { return qobject_cast<T*>(Control(id)); }
    QLabel* Label(int id) const;
    QLineEdit* LineEdit(int id) const;
    TextArea* MultiEdit(int id) const;
    QPushButton* Button(int id) const;        // push buttons
    QAbstractButton* AnyButton(int id) const; // push, radio, check
    QComboBox* Combo(int id) const;
    QListWidget* List(int id) const;
    QScrollBar* ScrollBar(int id) const;
    QTabWidget* Tabs(int id) const;
    QProgressBar* Progress(int id) const;
    QGroupBox* Group(int id) const;
    // The id of a control, or of the control that owns `w` (a viewport, a
    // combo's popup); 0 when `w` is not one of this dialog's controls.
    int ControlId(const QObject* w) const;
    std::vector<int> ControlIds() const;

    QString Text(int id) const;
    void SetText(int id, const QString& text);
    void Enable(int id, bool on = true);
    bool IsEnabled(int id) const;
    void Show(int id, bool on = true);
    void Hide(int id) { Show(id, false); }
    bool IsShown(int id) const; // not hidden (whether or not the dialog is on screen)
    void SetLimitText(int id, int maxChars);
    void SetChecked(int id, bool on);
    bool IsChecked(int id) const;
    // Control rectangle in client pixels.
    QRect ControlRect(int id) const;
    void SetControlRect(int id, const QRect& r);

    // Hex key filter on an edit (single- or multi-line): typed, pasted and
    // dropped text alike.
    void SetHexFilter(int id, HexKeys keys = HexKeys::WithBlank);

    // ---- list box / drop-down list ----
    int AddString(int id, const QString& text); // sorted if the template says so; index
    void ResetContent(int id);
    int Count(int id) const;
    int CurSel(int id) const; // -1 when none
    void SetCurSel(int id, int index);
    QString ItemText(int id, int index) const;

    // ---- tab control ----
    int TabInsert(int id, int index, const QString& caption); // index placed, -1 on failure
    bool TabRemove(int id, int index);
    int TabFind(int id, const QString& caption) const; // -1 when absent
    int TabCount(int id) const;
    int TabCurSel(int id) const;
    void TabSetCurSel(int id, int index); // no kTabSelChange, as for a program change
    QString TabText(int id, int index) const;

    // ---- progress bar ----
    void SetProgressRange(int id, int low, int high);
    void SetProgressPos(int id, int pos);
    int ProgressPos(int id) const;

    // ---- tooltips ----
    void SetToolTip(int id, const QString& text);
    QString ToolTip(int id) const;
    // Colour of every tip text of this dialog (applied to tips set later too).
    void SetToolTipColor(const QColor& color);

    // ---- status bar ----
    void CreateStatusBar(const std::vector<StatusPane>& panes);
    QFrame* StatusBar() const { return m_statusBar; }
    int PaneCount() const { return static_cast<int>(m_panes.size()); }
    void SetPaneText(int index, const QString& text);
    QString PaneText(int index) const;

    // ---- menu ----
    CommandMenu* Menu() const { return m_menu; } // nullptr without a menu

    // ---- window timers: one per id; setting it again restarts it ----
    void SetTimer(int id, int ms);
    void KillTimer(int id); // an id without a timer is left alone
    bool HasTimer(int id) const;
    void SetTimerCallback(std::function<void(int)> fn) { m_timerCallback = std::move(fn); }

    // ---- commands ----
    // A function for one command or control id (buttons, menu entries,
    // statics with kNotify); run from the default OnCommand for kClicked.
    void Bind(int id, std::function<void()> fn);
    // Sends a command as if the user had chosen it.
    void PostCommand(int id, int code = kClicked);

    // ---- modal run ----
    int DoModal(); // the value given to EndDialog; IDCANCEL for Escape/close
    void EndDialog(int result);
    // Enter and Escape end the run (default). The main window turns this off.
    void SetKeysEndDialog(bool on) { m_keysEndDialog = on; }

    void accept() override;
    void reject() override;

protected:
    // Everything a control or the menu reports. The default runs a bound
    // function, else IDOK/IDCANCEL end the run.
    virtual void OnCommand(int id, int code);
    virtual void OnTimer(int id);
    // Sees every key and mouse event for the dialog and all its controls
    // first; return true to swallow it. `target` is the widget it is bound for.
    virtual bool PreTranslate(QWidget* target, QEvent* event);
    // The window manager's close (title bar, Alt+F4). Return false to keep
    // the dialog open; the default allows it (ending the run with IDCANCEL).
    virtual bool OnCloseRequest() { return true; }

    void timerEvent(QTimerEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void Build();
    QWidget* CreateControl(const res::Control& c);
    void WatchTree(QObject* o);
    bool IsDuplicateInput(QEvent* e);
    void LayoutStatusBar();
    QString StyledTip(const QString& text) const;

    const res::Dialog& m_tpl;
    QFont m_font;
    DialogBase m_base;
    QWidget* m_client = nullptr;
    CommandMenu* m_menu = nullptr;
    QFrame* m_statusBar = nullptr;
    std::vector<QLabel*> m_panes;
    std::vector<StatusPane> m_paneSpecs;
    std::map<int, QWidget*> m_controls;
    std::map<int, std::uint32_t> m_styles;
    std::map<int, QBasicTimer> m_timers;
    std::map<int, std::function<void()>> m_bindings;
    std::map<int, QString> m_tips;
    std::function<void(int)> m_timerCallback;
    QColor m_tipColor;
    bool m_keysEndDialog = true;
    bool m_programmatic = false;
    // identity of the last input event filtered, to see a propagated event once
    int m_lastType = 0;
    quint64 m_lastStamp = 0;
    QPointF m_lastGlobal;
};

} // namespace tmx7::gui
