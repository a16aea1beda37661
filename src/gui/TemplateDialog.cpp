#include "gui/TemplateDialog.h"

#include "gui/Widgets.h"
#include "res/Pictures.h"
#include "res/ResourceIds.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QSinglePointEvent>
#include <QTabWidget>

#include <QVBoxLayout>
#include <algorithm>

namespace tmx7::gui {
namespace {

constexpr const char* kIdProperty = "tmx7ControlId";

const res::Dialog& EmptyDialog() {
    static const res::Dialog d{0, "", 100, 50, "宋体", 9, 0, {}};
    return d;
}

const res::Dialog& DialogOrEmpty(int id) {
    const res::Dialog* d = res::FindDialog(id);
    return d ? *d : EmptyDialog();
}

bool IsInputEvent(QEvent::Type t) {
    switch (t) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
        return true;
    default:
        return false;
    }
}

} // namespace

QFont DialogFont(const char* face, int pointSize) {
    // The layouts were drawn for a Chinese system face. Use it where it is
    // installed (it is not on Linux), else the CJK faces the setup installs.
    const QString wanted = QString::fromUtf8(face ? face : "");
    const QStringList families = QFontDatabase::families();
    QStringList candidates;
    if (!wanted.isEmpty())
        candidates << wanted;
    candidates << QStringLiteral("Noto Sans CJK SC") << QStringLiteral("Noto Serif CJK SC")
               << QStringLiteral("WenQuanYi Micro Hei") << QStringLiteral("Droid Sans Fallback");
    QFont font;
    for (const QString& c : candidates) {
        if (families.contains(c)) {
            font = QFont(c);
            break;
        }
    }
    font.setPointSize(pointSize > 0 ? pointSize : 9);
    return font;
}

DialogBase MeasureDialogBase(const QFont& font) {
    const QFontMetrics fm(font);
    const int extent = fm.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {AverageCharWidth(extent), fm.height()};
}

// ---------------------------------------------------------------------------

TemplateDialog::TemplateDialog(const res::Dialog& tpl, QWidget* parent)
    : QDialog(parent), m_tpl(tpl) {
    Build();
}

TemplateDialog::TemplateDialog(int dialogId, QWidget* parent)
    : QDialog(parent), m_tpl(DialogOrEmpty(dialogId)) {
    Build();
}

TemplateDialog::~TemplateDialog() = default;

QRect TemplateDialog::MapDialogRect(res::Rect r) const {
    const PixelRect p = DluToPixels(r.x, r.y, r.cx, r.cy, m_base);
    return {p.x, p.y, p.width, p.height};
}

void TemplateDialog::Build() {
    m_font = DialogFont(m_tpl.fontFace, m_tpl.pointSize);
    setFont(m_font);
    m_base = MeasureDialogBase(m_font);
    setWindowTitle(QString::fromUtf8(m_tpl.caption));
    setWindowIcon(res::AppIcon());
    setSizeGripEnabled(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    if (m_tpl.menu != 0) {
        if (const res::Menu* menu = res::FindMenu(m_tpl.menu)) {
            m_menu = new CommandMenu(*menu, this);
            layout->setMenuBar(m_menu->Bar());
            connect(m_menu, &CommandMenu::Command, this,
                    [this](int id) { OnCommand(id, kClicked); });
        }
    }

    m_client = new QWidget(this);
    m_client->setFixedSize(DluToPixelsX(m_tpl.cx, m_base), DluToPixelsY(m_tpl.cy, m_base));
    layout->addWidget(m_client);

    for (const res::Control& c : m_tpl.controls) {
        QWidget* w = CreateControl(c);
        if (!w)
            continue;
        QRect r = MapDialogRect(c.rect);
        if (c.kind == res::Kind::Combo) {
            // A drop-down list's template height is the height of the open
            // list; the closed box is one row high.
            r.setHeight(w->sizeHint().height());
        }
        w->setGeometry(r);
        if (c.style & res::kHidden)
            w->hide();
        if (c.style & res::kDisabled)
            w->setEnabled(false);
        if (c.id != res::IDC_STATIC) {
            w->setProperty(kIdProperty, c.id);
            m_controls[c.id] = w;
            m_styles[c.id] = c.style;
        }
    }
    WatchTree(this);
}

QWidget* TemplateDialog::CreateControl(const res::Control& c) {
    const QString caption = QString::fromUtf8(c.caption ? c.caption : "");
    const int id = c.id;
    const std::uint32_t style = c.style;
    const Qt::Alignment hAlign = (style & res::kCentre)  ? Qt::AlignHCenter
                                 : (style & res::kRight) ? Qt::AlignRight
                                                         : Qt::AlignLeft;
    switch (c.kind) {
    case res::Kind::Static: {
        QLabel* l = nullptr;
        if (style & res::kNotify) {
            auto* n = new NotifyLabel(caption, m_client);
            connect(n, &NotifyLabel::Clicked, this, [this, id] { OnCommand(id, kClicked); });
            connect(n, &NotifyLabel::DoubleClicked, this,
                    [this, id] { OnCommand(id, kDoubleClicked); });
            l = n;
        } else {
            l = new QLabel(caption, m_client);
            // Plain labels are transparent to the mouse, so clicks on them
            // reach the dialog as clicks on its own surface.
            l->setAttribute(Qt::WA_TransparentForMouseEvents);
        }
        l->setTextFormat(Qt::PlainText);
        l->setWordWrap(!(style & res::kSunken));
        l->setAlignment(hAlign | ((style & res::kSunken) ? Qt::AlignVCenter : Qt::AlignTop));
        if (style & res::kSunken)
            l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        return l;
    }
    case res::Kind::Edit: {
        if (style & res::kMultiLine) {
            auto* t = new TextArea(m_client);
            t->setPlainText(caption);
            t->setReadOnly(style & res::kReadOnly);
            t->setVerticalScrollBarPolicy((style & res::kVScroll) ? Qt::ScrollBarAlwaysOn
                                                                  : Qt::ScrollBarAlwaysOff);
            t->setLineWrapMode(QPlainTextEdit::WidgetWidth);
            t->setTabChangesFocus(true); // Tab moves between controls, as in any dialog
            connect(t, &QPlainTextEdit::textChanged, this, [this, id, t] {
                if (t->hasFocus())
                    OnCommand(id, kEditChange);
            });
            return t;
        }
        auto* e = new QLineEdit(caption, m_client);
        e->setReadOnly(style & res::kReadOnly);
        e->setAlignment(hAlign | Qt::AlignVCenter);
        if (style & res::kPassword)
            e->setEchoMode(QLineEdit::Password);
        if (style & res::kNumber)
            e->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), e));
        connect(e, &QLineEdit::textEdited, this, [this, id] { OnCommand(id, kEditChange); });
        return e;
    }
    case res::Kind::Button:
    case res::Kind::DefaultButton: {
        auto* b = new QPushButton(caption, m_client);
        // A push button never turns into the default because it got the
        // focus; only the template's default button answers Enter.
        b->setAutoDefault(false);
        b->setDefault(c.kind == res::Kind::DefaultButton);
        connect(b, &QPushButton::clicked, this, [this, id] { OnCommand(id, kClicked); });
        return b;
    }
    case res::Kind::CheckBox: {
        auto* b = new QCheckBox(caption, m_client);
        connect(b, &QCheckBox::clicked, this, [this, id] { OnCommand(id, kClicked); });
        return b;
    }
    case res::Kind::Radio: {
        auto* b = new QRadioButton(caption, m_client);
        // Radios of one group share the parent; grouping is by kGroupStart,
        // so each group is exclusive on its own via a button group per start.
        b->setAutoExclusive(false);
        connect(b, &QRadioButton::clicked, this, [this, id, b] {
            // Uncheck the other radios of the same group (from the group's
            // start up to the next start).
            b->setChecked(true);
            const auto& ctl = m_tpl.controls;
            std::size_t self = 0;
            for (std::size_t i = 0; i < ctl.size(); ++i)
                if (ctl[i].id == id)
                    self = i;
            std::size_t first = self;
            while (first > 0 && !(ctl[first].style & res::kGroupStart) &&
                   ctl[first - 1].kind == res::Kind::Radio)
                --first;
            for (std::size_t i = first; i < ctl.size() && ctl[i].kind == res::Kind::Radio; ++i) {
                if (i > first && (ctl[i].style & res::kGroupStart))
                    break;
                if (i != self)
                    if (auto* other = qobject_cast<QRadioButton*>(Control(ctl[i].id)))
                        other->setChecked(false);
            }
            OnCommand(id, kClicked);
        });
        return b;
    }
    case res::Kind::ListBox: {
        auto* l = new QListWidget(m_client);
        l->setSelectionMode(QAbstractItemView::SingleSelection);
        if (c.items)
            for (const QString& s : QString::fromUtf8(c.items).split('\n'))
                l->addItem(s);
        connect(l, &QListWidget::itemSelectionChanged, this, [this, id] {
            if (!m_programmatic)
                OnCommand(id, kSelChange);
        });
        return l;
    }
    case res::Kind::Combo: {
        auto* cb = new QComboBox(m_client);
        cb->setEditable(false);
        // Longer rows (device paths, descriptions) widen the open list, not the box.
        cb->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        if (c.items)
            for (const QString& s : QString::fromUtf8(c.items).split('\n'))
                cb->addItem(s);
        connect(cb, &QComboBox::activated, this, [this, id] { OnCommand(id, kSelChange); });
        return cb;
    }
    case res::Kind::VScroll: {
        auto* sb = new QScrollBar(Qt::Vertical, m_client);
        // The owner moves the bar: every request is reported and the bar
        // itself stays where it is until the owner sets a new position.
        connect(sb, &QScrollBar::actionTriggered, this, [this, id, sb](int action) {
            sb->setSliderPosition(sb->value());
            const int code = action == QAbstractSlider::SliderSingleStepSub   ? kScrollLineUp
                             : action == QAbstractSlider::SliderSingleStepAdd ? kScrollLineDown
                                                                              : kScrollOther;
            OnCommand(id, code);
        });
        return sb;
    }
    case res::Kind::Tab: {
        auto* t = new QTabWidget(m_client);
        t->setDocumentMode(false);
        // The pages own nothing: the controls of every page lie on the dialog
        // and the owner shows or hides them on a selection change.
        if (!caption.isEmpty()) {
            m_programmatic = true;
            auto* page = new QWidget;
            page->setAttribute(Qt::WA_TransparentForMouseEvents);
            t->addTab(page, caption);
            m_programmatic = false;
        }
        connect(t, &QTabWidget::currentChanged, this, [this, id](int) {
            if (!m_programmatic)
                OnCommand(id, kTabSelChange);
        });
        return t;
    }
    case res::Kind::Progress: {
        auto* p = new QProgressBar(m_client);
        p->setRange(0, 100);
        p->setValue(0);
        p->setTextVisible(false);
        return p;
    }
    case res::Kind::Picture: {
        auto* l = (style & res::kNotify) ? new NotifyLabel(m_client) : new QLabel(m_client);
        if (auto* n = qobject_cast<NotifyLabel*>(l)) {
            connect(n, &NotifyLabel::Clicked, this, [this, id] { OnCommand(id, kClicked); });
        } else {
            l->setAttribute(Qt::WA_TransparentForMouseEvents);
        }
        l->setPixmap(res::DrawPicture(c.image, MapDialogRect(c.rect).size()));
        l->setAlignment(Qt::AlignCenter);
        return l;
    }
    case res::Kind::GroupBox: {
        auto* g = new QGroupBox(caption, m_client);
        g->setAttribute(Qt::WA_TransparentForMouseEvents);
        return g;
    }
    }
    return nullptr;
}

// ---------------------------------------------------------------------------
// Controls

QWidget* TemplateDialog::Control(int id) const {
    auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : it->second;
}

QLabel* TemplateDialog::Label(int id) const {
    return ControlAs<QLabel>(id);
}
QLineEdit* TemplateDialog::LineEdit(int id) const {
    return ControlAs<QLineEdit>(id);
}
TextArea* TemplateDialog::MultiEdit(int id) const {
    return ControlAs<gui::TextArea>(id);
}
QPushButton* TemplateDialog::Button(int id) const {
    return ControlAs<QPushButton>(id);
}
QAbstractButton* TemplateDialog::AnyButton(int id) const {
    return ControlAs<QAbstractButton>(id);
}
QComboBox* TemplateDialog::Combo(int id) const {
    return ControlAs<QComboBox>(id);
}
QListWidget* TemplateDialog::List(int id) const {
    return ControlAs<QListWidget>(id);
}
QScrollBar* TemplateDialog::ScrollBar(int id) const {
    return ControlAs<QScrollBar>(id);
}
QTabWidget* TemplateDialog::Tabs(int id) const {
    return ControlAs<QTabWidget>(id);
}
QProgressBar* TemplateDialog::Progress(int id) const {
    return ControlAs<QProgressBar>(id);
}
QGroupBox* TemplateDialog::Group(int id) const {
    return ControlAs<QGroupBox>(id);
}

int TemplateDialog::ControlId(const QObject* w) const {
    for (const QObject* o = w; o && o != this; o = o->parent()) {
        const QVariant v = o->property(kIdProperty);
        if (v.isValid())
            return v.toInt();
    }
    return 0;
}

std::vector<int> TemplateDialog::ControlIds() const {
    std::vector<int> ids;
    for (const auto& [id, w] : m_controls)
        ids.push_back(id);
    return ids;
}

QString TemplateDialog::Text(int id) const {
    QWidget* w = Control(id);
    if (auto* l = qobject_cast<QLabel*>(w))
        return l->text();
    if (auto* e = qobject_cast<QLineEdit*>(w))
        return e->text();
    if (auto* t = qobject_cast<QPlainTextEdit*>(w))
        return t->toPlainText();
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        return b->text();
    if (auto* c = qobject_cast<QComboBox*>(w))
        return c->currentText();
    if (auto* g = qobject_cast<QGroupBox*>(w))
        return g->title();
    if (auto* l = qobject_cast<QListWidget*>(w))
        return l->currentItem() ? l->currentItem()->text() : QString();
    return {};
}

void TemplateDialog::SetText(int id, const QString& text) {
    QWidget* w = Control(id);
    if (auto* l = qobject_cast<QLabel*>(w))
        l->setText(text);
    else if (auto* e = qobject_cast<QLineEdit*>(w))
        e->setText(text);
    else if (auto* t = qobject_cast<QPlainTextEdit*>(w))
        t->setPlainText(text);
    else if (auto* b = qobject_cast<QAbstractButton*>(w))
        b->setText(text);
    else if (auto* c = qobject_cast<QComboBox*>(w)) {
        // A drop-down list cannot hold free text: select the matching row.
        const int i = c->findText(text, Qt::MatchFixedString);
        if (i >= 0)
            c->setCurrentIndex(i);
    } else if (auto* g = qobject_cast<QGroupBox*>(w))
        g->setTitle(text);
}

void TemplateDialog::Enable(int id, bool on) {
    if (QWidget* w = Control(id))
        w->setEnabled(on);
}

bool TemplateDialog::IsEnabled(int id) const {
    QWidget* w = Control(id);
    return w && w->isEnabled();
}

void TemplateDialog::Show(int id, bool on) {
    if (QWidget* w = Control(id))
        w->setVisible(on);
}

bool TemplateDialog::IsShown(int id) const {
    QWidget* w = Control(id);
    return w && !w->isHidden();
}

void TemplateDialog::SetLimitText(int id, int maxChars) {
    if (auto* e = LineEdit(id))
        e->setMaxLength(maxChars > 0 ? maxChars : 32767);
}

void TemplateDialog::SetChecked(int id, bool on) {
    if (auto* b = AnyButton(id)) {
        b->setCheckable(true);
        b->setChecked(on);
    }
}

bool TemplateDialog::IsChecked(int id) const {
    auto* b = AnyButton(id);
    return b && b->isChecked();
}

QRect TemplateDialog::ControlRect(int id) const {
    QWidget* w = Control(id);
    return w ? w->geometry() : QRect();
}

void TemplateDialog::SetControlRect(int id, const QRect& r) {
    if (QWidget* w = Control(id))
        w->setGeometry(r);
}

void TemplateDialog::SetHexFilter(int id, HexKeys keys) {
    QWidget* w = Control(id);
    if (auto* e = qobject_cast<QLineEdit*>(w))
        e->setValidator(new HexValidator(keys, e));
    else if (auto* t = qobject_cast<gui::TextArea*>(w))
        t->SetHexFilter(keys);
}

// ---------------------------------------------------------------------------
// Lists

int TemplateDialog::AddString(int id, const QString& text) {
    const bool sorted = m_styles.count(id) && (m_styles.at(id) & res::kSorted);
    auto position = [&](int count, auto itemAt) {
        if (!sorted)
            return count;
        int i = 0;
        while (i < count && QString::compare(itemAt(i), text, Qt::CaseInsensitive) <= 0)
            ++i;
        return i;
    };
    if (auto* c = Combo(id)) {
        const int at = position(c->count(), [c](int i) { return c->itemText(i); });
        c->insertItem(at, text);
        return at;
    }
    if (auto* l = List(id)) {
        const int at = position(l->count(), [l](int i) { return l->item(i)->text(); });
        l->insertItem(at, text);
        return at;
    }
    return -1;
}

void TemplateDialog::ResetContent(int id) {
    if (auto* c = Combo(id))
        c->clear();
    else if (auto* l = List(id))
        l->clear();
}

int TemplateDialog::Count(int id) const {
    if (auto* c = Combo(id))
        return c->count();
    if (auto* l = List(id))
        return l->count();
    return 0;
}

int TemplateDialog::CurSel(int id) const {
    if (auto* c = Combo(id))
        return c->currentIndex();
    if (auto* l = List(id)) {
        const auto sel = l->selectedItems();
        return sel.isEmpty() ? -1 : l->row(sel.front());
    }
    return -1;
}

void TemplateDialog::SetCurSel(int id, int index) {
    if (auto* c = Combo(id)) {
        c->setCurrentIndex(index >= 0 && index < c->count() ? index : -1);
    } else if (auto* l = List(id)) {
        m_programmatic = true; // a program selection sends no notification
        l->clearSelection();
        if (index >= 0 && index < l->count()) {
            l->setCurrentRow(index);
            l->item(index)->setSelected(true);
        }
        m_programmatic = false;
    }
}

QString TemplateDialog::ItemText(int id, int index) const {
    if (auto* c = Combo(id))
        return index >= 0 && index < c->count() ? c->itemText(index) : QString();
    if (auto* l = List(id))
        return index >= 0 && index < l->count() ? l->item(index)->text() : QString();
    return {};
}

// ---------------------------------------------------------------------------
// Tabs

int TemplateDialog::TabInsert(int id, int index, const QString& caption) {
    auto* t = Tabs(id);
    if (!t || index < 0)
        return -1;
    auto* page = new QWidget;
    page->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_programmatic = true;
    const int at = t->insertTab(index, page, caption);
    m_programmatic = false;
    return at;
}

bool TemplateDialog::TabRemove(int id, int index) {
    auto* t = Tabs(id);
    if (!t || index < 0 || index >= t->count())
        return false;
    m_programmatic = true;
    QWidget* page = t->widget(index);
    t->removeTab(index);
    delete page;
    m_programmatic = false;
    return true;
}

int TemplateDialog::TabFind(int id, const QString& caption) const {
    auto* t = Tabs(id);
    if (!t)
        return -1;
    for (int i = 0; i < t->count(); ++i)
        if (t->tabText(i) == caption)
            return i;
    return -1;
}

int TemplateDialog::TabCount(int id) const {
    auto* t = Tabs(id);
    return t ? t->count() : 0;
}

int TemplateDialog::TabCurSel(int id) const {
    auto* t = Tabs(id);
    return t ? t->currentIndex() : -1;
}

void TemplateDialog::TabSetCurSel(int id, int index) {
    auto* t = Tabs(id);
    if (!t || index < 0 || index >= t->count())
        return;
    m_programmatic = true;
    t->setCurrentIndex(index);
    m_programmatic = false;
}

QString TemplateDialog::TabText(int id, int index) const {
    auto* t = Tabs(id);
    return t && index >= 0 && index < t->count() ? t->tabText(index) : QString();
}

// ---------------------------------------------------------------------------
// Progress

void TemplateDialog::SetProgressRange(int id, int low, int high) {
    if (auto* p = Progress(id))
        p->setRange(low, high);
}

void TemplateDialog::SetProgressPos(int id, int pos) {
    if (auto* p = Progress(id))
        p->setValue(qBound(p->minimum(), pos, p->maximum()));
}

int TemplateDialog::ProgressPos(int id) const {
    auto* p = Progress(id);
    return p ? p->value() : 0;
}

// ---------------------------------------------------------------------------
// Tooltips

QString TemplateDialog::StyledTip(const QString& text) const {
    if (!m_tipColor.isValid() || text.isEmpty())
        return text;
    return QStringLiteral("<span style=\"color:%1\">%2</span>")
        .arg(m_tipColor.name(), text.toHtmlEscaped());
}

void TemplateDialog::SetToolTip(int id, const QString& text) {
    QWidget* w = Control(id);
    if (!w)
        return;
    m_tips[id] = text;
    w->setToolTip(StyledTip(text));
    // Plain labels pass the mouse through; a label with a tip has to see it.
    if (!text.isEmpty() && w->testAttribute(Qt::WA_TransparentForMouseEvents) &&
        !qobject_cast<QGroupBox*>(w))
        w->setAttribute(Qt::WA_TransparentForMouseEvents, false);
}

QString TemplateDialog::ToolTip(int id) const {
    auto it = m_tips.find(id);
    return it == m_tips.end() ? QString() : it->second;
}

void TemplateDialog::SetToolTipColor(const QColor& color) {
    m_tipColor = color;
    for (const auto& [id, text] : m_tips)
        if (QWidget* w = Control(id))
            w->setToolTip(StyledTip(text));
}

// ---------------------------------------------------------------------------
// Status bar

void TemplateDialog::CreateStatusBar(const std::vector<StatusPane>& panes) {
    delete m_statusBar;
    m_panes.clear();
    m_paneSpecs = panes;
    // The bar lies inside the client area at its bottom edge, over the
    // template's last rows, as the layouts expect. A plain row of sunken
    // panes: fixed widths where given, the stretching pane takes the rest.
    m_statusBar = new QFrame(m_client);
    auto* row = new QHBoxLayout(m_statusBar);
    row->setContentsMargins(2, 2, 2, 2);
    row->setSpacing(2);
    const QFontMetrics fm(m_font);
    for (const StatusPane& p : panes) {
        auto* l = new QLabel(p.text, m_statusBar);
        l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        l->setTextFormat(Qt::PlainText);
        l->setMinimumWidth(0);
        if (!p.stretch) {
            // The widths were measured for the original face; never cut the
            // pane's own text short in this one.
            const int needed = fm.horizontalAdvance(p.text) + 2 * l->frameWidth() + 4;
            l->setFixedWidth(std::max(p.width, needed));
        } else {
            l->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        }
        row->addWidget(l, p.stretch ? 1 : 0);
        m_panes.push_back(l);
    }
    LayoutStatusBar();
    m_statusBar->show();
    // Controls placed over the bar (a progress bar in its middle pane) stay on top.
    for (const res::Control& c : m_tpl.controls)
        if (c.kind == res::Kind::Progress)
            if (QWidget* w = Control(c.id))
                w->raise();
}

void TemplateDialog::LayoutStatusBar() {
    if (!m_statusBar)
        return;
    const int h = m_statusBar->sizeHint().height();
    m_statusBar->setGeometry(0, m_client->height() - h, m_client->width(), h);
}

void TemplateDialog::SetPaneText(int index, const QString& text) {
    if (index >= 0 && index < PaneCount()) {
        m_panes[index]->setText(text);
        // A pane shows what fits; the whole text is one hover away.
        m_panes[index]->setToolTip(text);
    }
}

QString TemplateDialog::PaneText(int index) const {
    return index >= 0 && index < PaneCount() ? m_panes[index]->text() : QString();
}

// ---------------------------------------------------------------------------
// Timers

void TemplateDialog::SetTimer(int id, int ms) {
    // QBasicTimer::start restarts a running timer, which is the semantics of
    // setting a window timer again with the same id.
    m_timers[id].start(ms < 0 ? 0 : ms, Qt::PreciseTimer, this);
}

void TemplateDialog::KillTimer(int id) {
    auto it = m_timers.find(id);
    if (it == m_timers.end())
        return;
    it->second.stop();
    m_timers.erase(it);
}

bool TemplateDialog::HasTimer(int id) const {
    auto it = m_timers.find(id);
    return it != m_timers.end() && it->second.isActive();
}

void TemplateDialog::timerEvent(QTimerEvent* e) {
    for (const auto& [id, t] : m_timers) {
        if (t.timerId() == e->timerId()) {
            const int timerId = id; // the handler may kill or set timers
            OnTimer(timerId);
            return;
        }
    }
    QDialog::timerEvent(e);
}

void TemplateDialog::OnTimer(int id) {
    if (m_timerCallback)
        m_timerCallback(id);
}

// ---------------------------------------------------------------------------
// Commands and modal run

void TemplateDialog::Bind(int id, std::function<void()> fn) {
    m_bindings[id] = std::move(fn);
}

void TemplateDialog::PostCommand(int id, int code) {
    QMetaObject::invokeMethod(
        this, [this, id, code] { OnCommand(id, code); }, Qt::QueuedConnection);
}

void TemplateDialog::OnCommand(int id, int code) {
    if (code != kClicked)
        return;
    auto it = m_bindings.find(id);
    if (it != m_bindings.end() && it->second) {
        it->second();
        return;
    }
    if (id == res::IDOK)
        EndDialog(res::IDOK);
    else if (id == res::IDCANCEL)
        EndDialog(res::IDCANCEL);
}

int TemplateDialog::DoModal() {
    return exec();
}

void TemplateDialog::EndDialog(int result) {
    done(result);
}

void TemplateDialog::accept() {
    OnCommand(res::IDOK, kClicked);
}

void TemplateDialog::reject() {
    OnCommand(res::IDCANCEL, kClicked);
}

void TemplateDialog::keyPressEvent(QKeyEvent* e) {
    if (!m_keysEndDialog &&
        (e->key() == Qt::Key_Escape || e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)) {
        e->accept();
        return;
    }
    if (m_keysEndDialog && (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)) {
        // Enter presses the template's default button; without one it is OK.
        for (const res::Control& c : m_tpl.controls) {
            if (c.kind == res::Kind::DefaultButton) {
                if (auto* b = Button(c.id); b && b->isVisible() && b->isEnabled())
                    b->click();
                e->accept();
                return;
            }
        }
        OnCommand(res::IDOK, kClicked);
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

void TemplateDialog::closeEvent(QCloseEvent* e) {
    if (!OnCloseRequest()) {
        e->ignore();
        return;
    }
    QDialog::closeEvent(e); // runs reject(), which ends the run with IDCANCEL
}

// ---------------------------------------------------------------------------
// Input filter

void TemplateDialog::WatchTree(QObject* o) {
    o->installEventFilter(this);
    for (QObject* child : o->children())
        if (child->isWidgetType())
            WatchTree(child);
}

bool TemplateDialog::IsDuplicateInput(QEvent* e) {
    // A mouse event a child ignores travels on to its parent as the same
    // event; the filter reports it once, for the widget it was first bound for.
    auto* pe = dynamic_cast<QSinglePointEvent*>(e);
    if (!pe)
        return false;
    const bool same = m_lastType == e->type() && m_lastStamp == pe->timestamp() &&
                      m_lastGlobal == pe->globalPosition();
    m_lastType = e->type();
    m_lastStamp = pe->timestamp();
    m_lastGlobal = pe->globalPosition();
    return same;
}

bool TemplateDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ChildAdded) {
        auto* ce = static_cast<QChildEvent*>(event);
        if (ce->child()->isWidgetType())
            WatchTree(ce->child());
        return false;
    }
    if (!IsInputEvent(event->type()) || !watched->isWidgetType())
        return false;
    if (IsDuplicateInput(event))
        return false;
    return PreTranslate(static_cast<QWidget*>(watched), event);
}

bool TemplateDialog::PreTranslate(QWidget*, QEvent*) {
    return false;
}

} // namespace tmx7::gui
