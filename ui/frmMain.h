// The main window: a menu bar and the tab control SSTab1 with the three
// calculator pages. The handlers are named after control and event; each
// reads its controls, calls the locator core and writes the results back.
#pragma once

#include <QMainWindow>

#include "settings/home_file.h"
#include "settings/home_store.h"

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;

namespace morvane {

class TabControl;

class frmMain : public QMainWindow {
  Q_OBJECT
 public:
  explicit frmMain(HomeStore store);

  // The load step: reads user.ini and puts the stored locator into the base
  // box. Run once, before the window is first shown.
  void Form_Load();

  const HomeTable& homeTable() const { return home_; }

  // Page 0, "Geo coord. to Locator".
  void Command1_Click();
  void raz_Click();
  void Command5_Click();
  // Page 1, "Locator to geo coord.".
  void cmdcalclocgeo_Click();
  void Command2_Click();
  // Page 2, "Azimuth and Distance".
  void cmdcalcazidist_Click();
  void Check1_Click();
  void Check2_Click();
  void Command3_Click();
  // Menu.
  void mnuquitter_Click();

  TabControl* SSTab1;
  QAction* mnuquitter;
  QMenu* mnuaide;
  QAction *mnumail, *mnuhome, *mnusep11, *mnusujet;

  QGroupBox *Frame1, *Frame2, *Frame3;
  QLineEdit *txtlatdeg, *txtlatmin, *txtlatsec, *txtlondeg, *txtlonmin, *txtlonsec;
  QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6;
  QRadioButton *optlatnord, *optlatsud, *optlonest, *optlonouest;
  QLineEdit* txtresultloc;
  QPushButton *Command1, *raz, *Command5;

  QGroupBox *Frame4, *Frame5, *Frame6;
  QLineEdit* txtlocatorinv;
  QPushButton *cmdcalclocgeo, *Command2;
  QLineEdit *txtlatdeginv, *txtlatmininv, *Text1, *txtlongdeginv, *txtlongmininv, *Text2;
  QLabel *Label7, *Label8, *Label9, *Label10, *Label11, *Label12, *lbllatsens, *lbllongsens;

  QGroupBox *Frame7, *Frame8;
  QCheckBox *Check1, *Check2;
  QLabel *Label13, *Label14, *Label15, *Label16, *Label17, *Label18;
  QLineEdit *txtlocator1, *txtlocator2, *txtdistance, *txtazimuth;
  QPushButton *cmdcalcazidist, *Command3;

 protected:
  void changeEvent(QEvent* event) override;

 private:
  void buildMenu();
  void buildGeoPage(QWidget* page);
  void buildLocatorPage(QWidget* page);
  void buildAzimuthPage(QWidget* page);
  void setFocusOrder();
  void connectHandlers();
  // The reading procedure (refills the table from user.ini), then slot 9
  // into the base box.
  void readHomeFileIntoBase();
  // Slot 9 as held in memory, as text.
  QString storedLocator() const;

  HomeStore store_;
  HomeTable home_;  // nine slots, empty until the file is read or written
};

}  // namespace morvane
