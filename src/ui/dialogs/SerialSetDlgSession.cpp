// The settings dialog on the program's engine. Kept apart from the rest of
// the dialog so that a program or test that drives the dialog with its own
// tries does not need the engine linked in.

#include "ui/dialogs/SerialSetDlg.h"

namespace tmx7 {

CSerialSetDlg::CSerialSetDlg(Session& session, gui::QtEventSink& events, PortDirectory& ports,
                             QWidget* parent)
    : CSerialSetDlg(
          SerialProbes{[&session](int port, int baud) { return session.Probe(port, baud); },
                       [&session](int port) { return session.Detect(port); }},
          events, ports, session.Link(), parent) {}

} // namespace tmx7
