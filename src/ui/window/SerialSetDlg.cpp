#include "ui/window/SerialSetDlg.h"

#include "gui/MessageBox.h"
#include "res/ResourceIds.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QPushButton>

#include <algorithm>

namespace tmx7 {

using namespace res;

namespace {

QString RowText(const PortInfo& p) {
    QString text = QString::fromStdString(p.name);
    if (!p.path.empty())
        text += QStringLiteral("  ") + QString::fromStdString(p.path);
    if (!p.description.empty())
        text += QStringLiteral("  (") + QString::fromStdString(p.description) + QLatin1Char(')');
    return text;
}

} // namespace

bool NaturalLess(const QString& a, const QString& b) {
    int i = 0;
    int j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            int ei = i;
            int ej = j;
            while (ei < a.size() && a[ei].isDigit())
                ++ei;
            while (ej < b.size() && b[ej].isDigit())
                ++ej;
            // Compare the runs by value without converting: leading zeros
            // off, then the longer run is the larger number.
            int si = i;
            int sj = j;
            while (si < ei - 1 && a[si] == QLatin1Char('0'))
                ++si;
            while (sj < ej - 1 && b[sj] == QLatin1Char('0'))
                ++sj;
            if (ei - si != ej - sj)
                return ei - si < ej - sj;
            for (; si < ei; ++si, ++sj)
                if (a[si] != b[sj])
                    return a[si] < b[sj];
            i = ei;
            j = ej;
            continue;
        }
        const QChar ca = a[i].toUpper();
        const QChar cb = b[j].toUpper();
        if (ca != cb)
            return ca < cb;
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

std::vector<PortListRow> PortListRows(std::vector<PortInfo> ports) {
    std::vector<PortListRow> rows;
    rows.reserve(ports.size());
    for (const PortInfo& p : ports)
        if (p.number > 0)
            rows.push_back({p.number, RowText(p)});
    std::stable_sort(rows.begin(), rows.end(), [](const PortListRow& x, const PortListRow& y) {
        return NaturalLess(x.text, y.text);
    });
    return rows;
}

CSerialSetDlg::CSerialSetDlg(CPortTable& table, Clock& clock, QWidget* parent)
    : gui::TemplateDialog(IDD_SERIAL_SET, parent), m_table(table), m_gate(this),
      m_clock(&m_gate, clock), m_directory(&PortDirectory::System()) {
    Bind(IDC_SERSET_OK, [this] { OnConfirm(); });
    Bind(IDC_SERSET_AUTO_DETECT, [this] { OnAutoDetect(); });
    Bind(IDC_SERSET_CANCEL, [this] {
        m_ended = true;
        EndDialog(kExitProgram);
    });
    FillPortList();
    SetCurSel(IDC_SERSET_BAUD_LIST, 0);
}

CSerialSetDlg::~CSerialSetDlg() = default;

void CSerialSetDlg::SetPortDirectory(PortDirectory& directory) {
    m_directory = &directory;
    FillPortList();
}

void CSerialSetDlg::FillPortList() {
    // The template's list sorts by plain text, which puts COM10 before COM2;
    // the rows go in already in natural order, each carrying its number.
    QComboBox* list = Combo(IDC_SERSET_PORT_LIST);
    list->clear();
    for (const PortListRow& row : PortListRows(m_directory->List()))
        list->addItem(row.text, row.number);
    list->setCurrentIndex(list->count() > 0 ? 0 : -1);
}

void CSerialSetDlg::Preselect(std::optional<int> port, std::optional<int> baud) {
    if (port) {
        m_comPort = *port;
        QComboBox* list = Combo(IDC_SERSET_PORT_LIST);
        if (const int i = list->findData(*port); i >= 0)
            list->setCurrentIndex(i);
    }
    if (baud) {
        m_baud = *baud;
        const int i = Combo(IDC_SERSET_BAUD_LIST)->findText(QStringLiteral("%1bps").arg(*baud));
        if (i >= 0)
            SetCurSel(IDC_SERSET_BAUD_LIST, i);
    }
}

int CSerialSetDlg::DoModal() {
    m_ended = false;
    return gui::TemplateDialog::DoModal();
}

void CSerialSetDlg::ReadPortChoice() {
    const QVariant data = Combo(IDC_SERSET_PORT_LIST)->currentData();
    if (data.isValid())
        m_comPort = data.toInt();
}

void CSerialSetDlg::OnConfirm() {
    if (m_busy)
        return;
    ReadPortChoice();
    if (auto baud = BaudFromText(Combo(IDC_SERSET_BAUD_LIST)->currentText().toStdString()))
        m_baud = *baud;
    m_busy = true;
    SetupResult result;
    {
        // The whole try is one hold: a click or close made meanwhile is not
        // carried out between two of its waits. The dialog ends after the
        // hold, since ending it is a close the gate would keep back.
        gui::InputHold hold(m_gate);
        SerialSetup setup(m_table, m_clock);
        result = setup.Confirm(m_comPort, m_baud);
    }
    m_busy = false;
    Finish(result);
}

void CSerialSetDlg::OnAutoDetect() {
    if (m_busy)
        return;
    ReadPortChoice();
    m_busy = true;
    SetupResult result;
    {
        gui::InputHold hold(m_gate);
        SerialSetup setup(m_table, m_clock);
        result = setup.AutoDetect(m_comPort, [this](const std::string& caption) {
            setWindowTitle(QString::fromStdString(caption));
        });
    }
    m_busy = false;
    if (!result.connected)
        m_baud = result.baud; // the last baud tried, as the lists leave it
    Finish(result);
}

void CSerialSetDlg::Finish(const SetupResult& result) {
    m_result = result;
    if (result.connected) {
        m_comPort = result.comPort;
        m_baud = result.baud;
        m_ended = true;
        EndDialog(IDOK);
        return;
    }
    if (!result.message.empty())
        gui::MessageBox(this, QString::fromStdString(result.message));
}

void CSerialSetDlg::OnCommand(int id, int code) {
    if ((id == IDOK || id == IDCANCEL) && code == gui::kClicked) {
        // Close box, Escape, or Enter with no button focused: the dialog ends
        // without a port. Once a try has ended it, a close that was held back
        // during the try changes nothing.
        if (!m_ended && !m_busy) {
            m_ended = true;
            EndDialog(IDCANCEL);
        }
        return;
    }
    gui::TemplateDialog::OnCommand(id, code);
}

bool CSerialSetDlg::PreTranslate(QWidget* target, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            // Enter presses the button that has the focus, as a click would.
            if (auto* button = qobject_cast<QPushButton*>(target);
                button && ControlId(button) != 0) {
                if (button->isEnabled())
                    button->click();
                return true;
            }
        }
    }
    return gui::TemplateDialog::PreTranslate(target, event);
}

} // namespace tmx7
