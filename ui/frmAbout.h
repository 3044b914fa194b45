// The About window: fixed content, one handler. One exists at most.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace morvane {

class frmAbout : public QDialog {
  Q_OBJECT
 public:
  frmAbout();
  void cmdOK_Click();

  QPushButton* cmdOK;
  QLabel *picIcon, *Label1, *Label2, *Label3, *Label4, *Label5, *Label6;
};

}  // namespace morvane
