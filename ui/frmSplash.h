// The window shown while the program starts: no title bar, no handlers.
#pragma once

#include <QFrame>

class QLabel;

namespace morvane {

class frmSplash : public QFrame {
  Q_OBJECT
 public:
  frmSplash();
  QLabel *Picture1, *Label1, *Label2, *Label3, *Label4, *Label5;
};

}  // namespace morvane
