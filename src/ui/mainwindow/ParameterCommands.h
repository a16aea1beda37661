#pragma once
// What the "参数设置" menu and the "文件" menu's parameter entries do: each
// set asks its dialog for the value, then runs the set (write, wait,
// refresh) on the engine; a double-click on a value starts the same as its
// menu entry. Import loads the parameter file into the set a download
// writes; export and download run on the engine. Dialogs open without
// blocking the window's event loop and one at a time.

#include "protocol/Events.h"
#include "protocol/Fields.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <string>

class QDialog;
class QWidget;

namespace tmx7 {

class CommandActions;
class Session;
struct SetPlan;

class ParameterCommands : public QObject {
    Q_OBJECT
public:
    ParameterCommands(Session& session, CommandActions& actions, std::string paramFilePath,
                      QWidget* window);

    // The set entries of "参数设置" (not the production mode) and
    // "导入参数", "导出参数", "下载参数".
    void run(Command command);
    // A double-click on the value of `field`.
    void edit(Field field);

signals:
    // A text for the activity pane.
    void status(const QString& text);
    // The serial format changed: the program must be started again.
    void restartNeeded();

private:
    template <class D, class Then> void ask(D* dialog, Then then);
    void set(const SetPlan& plan);
    void importParams();
    void ended(SequenceKind kind, const Outcome& outcome);

    Session& m_session;
    CommandActions& m_actions;
    std::string m_paramFilePath;
    QWidget* m_window;
    QPointer<QDialog> m_dialog;
    bool m_restartAdvice = false;
};

} // namespace tmx7
