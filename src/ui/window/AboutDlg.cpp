#include "ui/window/AboutDlg.h"

#include "res/ResourceIds.h"
#include "ui/window/Links.h"

#include <QFontDatabase>
#include <QLabel>
#include <QMouseEvent>

namespace tmx7 {

using namespace res;

namespace {

// The company line wants a brush-script face; no such face ships with the
// usual Linux CJK fonts, so the serif CJK face in bold stands in for it.
QFont CompanyFont(const QFont& dialogFont) {
    QFont font = dialogFont;
    const QStringList families = QFontDatabase::families();
    for (const char* face : {"隶书", "Noto Serif CJK SC", "Noto Sans CJK SC"}) {
        if (families.contains(QString::fromUtf8(face))) {
            font = QFont(QString::fromUtf8(face));
            break;
        }
    }
    font.setPointSize(20);
    font.setBold(true);
    return font;
}

} // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : gui::TemplateDialog(IDD_ABOUT, parent) {
    if (QLabel* company = Label(IDC_ABOUT_COMPANY)) {
        company->setFont(CompanyFont(font()));
        // The 20-point line is taller than the row the template gives it.
        QRect r = ControlRect(IDC_ABOUT_COMPANY);
        r.setHeight(std::max(r.height(), company->sizeHint().height()));
        SetControlRect(IDC_ABOUT_COMPANY, r);
    }
    Bind(IDC_ABOUT_OK, [this] { EndDialog(IDOK); });
    Client()->setMouseTracking(true);
}

CAboutDlg::~CAboutDlg() = default;

QRect CAboutDlg::PictureArea() const {
    return ControlRect(IDC_ABOUT_PICTURE);
}

bool CAboutDlg::PreTranslate(QWidget* target, QEvent* event) {
    const auto type = event->type();
    if (type != QEvent::MouseMove && type != QEvent::MouseButtonRelease)
        return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    const QPoint at = Client()->mapFromGlobal(mouse->globalPosition().toPoint());
    // Strictly inside, so a release on the frame's edge opens nothing.
    const QRect area = PictureArea().adjusted(1, 1, -1, -1);
    const bool inside = area.contains(at);
    if (type == QEvent::MouseMove) {
        if (inside && !HelpDocumentPath().isEmpty())
            Client()->setCursor(Qt::PointingHandCursor);
        else
            Client()->unsetCursor();
    } else if (mouse->button() == Qt::LeftButton && inside) {
        OpenHelp();
    }
    (void)target;
    return false; // default processing goes on
}

} // namespace tmx7
