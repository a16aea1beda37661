#pragma once
// The about box: the maker's lines (placeholders until someone ships the
// tool under their own name), the software's name and number, and a picture
// that opens the help when clicked.

#include "gui/TemplateDialog.h"

namespace tmx7 {

class CAboutDlg : public gui::TemplateDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    ~CAboutDlg() override;

    // The area that opens the help, in client coordinates.
    QRect PictureArea() const;

protected:
    bool PreTranslate(QWidget* target, QEvent* event) override;
};

} // namespace tmx7
