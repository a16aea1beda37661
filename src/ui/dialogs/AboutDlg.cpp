#include "ui/dialogs/AboutDlg.h"

#include "gui/DialogButtons.h"
#include "res/Pictures.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>

#include <functional>

namespace tmx7 {
namespace {

// The maker's lines are placeholders for whoever ships the tool under their
// own name.
constexpr const char* kMakerLines[] = {
    "地址：（公司地址）",
    "邮编：000000",
    "QQ：000000000",
    "电话/传真：000-00000000",
    "办公时间：周一至周五 9:00-17:00",
    "服务邮箱：service@example.com",
};
constexpr const char* kCompany = "示例通信有限公司";

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

class HelpPicture : public QLabel {
public:
    HelpPicture(std::function<void()> clicked, QWidget* parent)
        : QLabel(parent), m_clicked(std::move(clicked)) {
        setObjectName(QStringLiteral("pictureLabel"));
        setCursor(Qt::PointingHandCursor);
    }

protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        // Strictly inside: a release on the frame's edge opens nothing.
        const QPoint at = event->position().toPoint();
        if (event->button() == Qt::LeftButton && rect().adjusted(1, 1, -1, -1).contains(at))
            m_clicked();
        QLabel::mouseReleaseEvent(event);
    }

private:
    std::function<void()> m_clicked;
};

} // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("关于Q系列电台测试软件"));
    const int line = fontMetrics().height();
    const qreal ratio = devicePixelRatioF();

    auto* picture = new HelpPicture([this] { emit helpRequested(); }, this);
    const QSize pictureSize(20 * line, 18 * line);
    picture->setPixmap(res::LoadPicture(res::Picture::About, pictureSize, ratio));
    picture->setFixedSize(pictureSize);

    auto* company = new QLabel(QString::fromUtf8(kCompany), this);
    company->setObjectName(QStringLiteral("companyLabel"));
    company->setFont(CompanyFont(font()));
    auto* text = new QVBoxLayout;
    text->addWidget(company);
    text->addSpacing(line / 2);
    for (const char* l : kMakerLines)
        text->addWidget(new QLabel(QString::fromUtf8(l), this));
    text->addStretch(1);
    text->addWidget(new QLabel(QStringLiteral("软件名称：TMX7设置和测试软件"), this));
    // The software number is the version every program's --version prints.
    text->addWidget(
        new QLabel(QStringLiteral("软件编号：TMX7-") + QStringLiteral(TMX7_VERSION), this));

    auto* icon = new QLabel(this);
    icon->setPixmap(res::AppIcon().pixmap(QSize(2 * line, 2 * line), ratio));
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(icon);
    bottom->addStretch(1);
    bottom->addWidget(gui::OkButton(this));
    text->addLayout(bottom);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(picture, 0, Qt::AlignTop);
    layout->addSpacing(line);
    layout->addLayout(text, 1);
}

} // namespace tmx7
