#pragma once
// "关于Q系列电台测试软件": the picture (a hand cursor over it; a left click
// inside it asks for the help), the maker's lines, the software's name and
// number, the program's icon and "确定".
//
//     CAboutDlg about(this);
//     connect(&about, &CAboutDlg::helpRequested, this, &OpenHelp);
//     about.exec();

#include <QDialog>

namespace tmx7 {

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

signals:
    // The left button was released inside the picture (not on its edge).
    void helpRequested();
};

} // namespace tmx7
