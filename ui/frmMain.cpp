#include "ui/frmMain.h"

#include <QAction>
#include <QCheckBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>

#include "app/help_menu.h"
#include "ui/controls.h"
#include "ui/credits.h"
#include "ui/readable_colour.h"
#include "ui/tab_control.h"

namespace morvane {
namespace {

// Client area below the menu bar, in twips.
constexpr int kClientWidth = 8205;
constexpr int kClientHeight = 3315;

QLineEdit* Input(QWidget* parent, const char* name, QRect twips, const QString& accessible) {
  return MakeTextBox(parent, name, twips, accessible, false, Align::Centre, &kNavy);
}

QLineEdit* Result(QWidget* parent, const char* name, QRect twips, const QString& accessible) {
  return MakeTextBox(parent, name, twips, accessible, true, Align::Centre, &kNavy);
}

}  // namespace

frmMain::frmMain(HomeStore store) : store_(std::move(store)) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(QStringLiteral("Morvane Version 1.11"));
  setWindowIcon(QIcon(kIconResource));
  setAttribute(Qt::WA_DeleteOnClose);
  setFont(MakeFont(Face::SansSerif, 8.25));

  buildMenu();
  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("client"));
  setCentralWidget(client);
  SSTab1 = new TabControl(client,
                          {QStringLiteral("Geo coord. to Locator"),
                           QStringLiteral("Locator to geo coord."),
                           QStringLiteral("Azimuth and Distance")},
                          TwipsRect(120, 240, 7935, 3015));
  SSTab1->setObjectName(QStringLiteral("SSTab1"));
  buildGeoPage(SSTab1->page(0));
  buildLocatorPage(SSTab1->page(1));
  buildAzimuthPage(SSTab1->page(2));
  setFocusOrder();
  connectHandlers();

  // No layout: the controls keep their places when the window is resized.
  resize(Px(kClientWidth), Px(kClientHeight) + menuBar()->sizeHint().height());
}

void frmMain::buildMenu() {
  QMenuBar* bar = menuBar();
  mnuquitter = bar->addAction(QStringLiteral("&Exit"));
  mnuquitter->setObjectName(QStringLiteral("mnuquitter"));
  mnuaide = bar->addMenu(QStringLiteral("&help"));
  mnuaide->setObjectName(QStringLiteral("mnuaide"));
  mnumail = mnuaide->addAction(QStringLiteral("&Mail to author"));
  mnumail->setObjectName(QStringLiteral("mnumail"));
  mnuhome = mnuaide->addAction(QStringLiteral("&Home page"));
  mnuhome->setObjectName(QStringLiteral("mnuhome"));
  mnusep11 = mnuaide->addSeparator();
  mnusep11->setObjectName(QStringLiteral("mnusep11"));
  mnusujet = mnuaide->addAction(QStringLiteral("&About"));
  mnusujet->setObjectName(QStringLiteral("mnusujet"));
}

void frmMain::buildGeoPage(QWidget* page) {
  Frame2 = MakeFrame(page, "Frame2", QStringLiteral("Latitude"), TwipsRect(360, 600, 4815, 975));
  txtlatdeg = Input(Frame2, "txtlatdeg", TwipsRect(240, 360, 375, 285), QStringLiteral("Latitude degrees"));
  Label4 = MakeLabel(Frame2, "Label4", QStringLiteral("Degrees"), TwipsRect(720, 360, 615, 255));
  txtlatmin = Input(Frame2, "txtlatmin", TwipsRect(1440, 360, 375, 285), QStringLiteral("Latitude minutes"));
  Label5 = MakeLabel(Frame2, "Label5", QStringLiteral("Minutes"), TwipsRect(1920, 360, 615, 255));
  txtlatsec = Input(Frame2, "txtlatsec", TwipsRect(2520, 360, 375, 285), QStringLiteral("Latitude seconds"));
  Label6 = MakeLabel(Frame2, "Label6", QStringLiteral("Seconds"), TwipsRect(3000, 360, 735, 255));
  optlatnord = MakeOption(Frame2, "optlatnord", QStringLiteral("North"), TwipsRect(3840, 360, 735, 255),
                          QStringLiteral("Latitude North"), true);
  optlatsud = MakeOption(Frame2, "optlatsud", QStringLiteral("South"), TwipsRect(3840, 600, 735, 255),
                         QStringLiteral("Latitude South"), false);

  Frame1 = MakeFrame(page, "Frame1", QStringLiteral("Longitude"), TwipsRect(360, 1680, 4815, 975));
  txtlondeg = Input(Frame1, "txtlondeg", TwipsRect(240, 360, 375, 285), QStringLiteral("Longitude degrees"));
  Label2 = MakeLabel(Frame1, "Label2", QStringLiteral("Degrees"), TwipsRect(720, 360, 615, 255));
  txtlonmin = Input(Frame1, "txtlonmin", TwipsRect(1440, 360, 375, 285), QStringLiteral("Longitude minutes"));
  Label1 = MakeLabel(Frame1, "Label1", QStringLiteral("Minutes"), TwipsRect(1920, 360, 615, 255));
  txtlonsec = Input(Frame1, "txtlonsec", TwipsRect(2520, 360, 375, 285), QStringLiteral("Longitude seconds"));
  Label3 = MakeLabel(Frame1, "Label3", QStringLiteral("Seconds"), TwipsRect(3000, 360, 735, 255));
  optlonest = MakeOption(Frame1, "optlonest", QStringLiteral("East"), TwipsRect(3840, 360, 615, 255),
                         QStringLiteral("Longitude East"), true);
  optlonouest = MakeOption(Frame1, "optlonouest", QStringLiteral("West"), TwipsRect(3840, 600, 855, 255),
                           QStringLiteral("Longitude West"), false);

  Frame3 = MakeFrame(page, "Frame3", QStringLiteral("QRA Locator"), TwipsRect(5280, 600, 2415, 975));
  txtresultloc = MakeTextBox(Frame3, "txtresultloc", TwipsRect(480, 360, 1575, 375),
                             QStringLiteral("QRA Locator result"), true, Align::Centre, nullptr);
  txtresultloc->setFont(MakeFont(Face::SansSerif, 9.75, true));
  // The colour of an active window's title bar in the desktop's scheme.
  SetAccentText(txtresultloc, QPalette::Text, QPalette::Base, QColor());
  Command1 = MakeButton(page, "Command1", QStringLiteral("Compute"), TwipsRect(5280, 1800, 1095, 375));
  raz = MakeButton(page, "raz", QStringLiteral("Clear"), TwipsRect(6600, 1800, 1095, 375));
  Command5 = MakeButton(page, "Command5", QStringLiteral("Save my QRA Locator"), TwipsRect(5280, 2280, 2415, 375));
}

void frmMain::buildLocatorPage(QWidget* page) {
  Frame4 = MakeFrame(page, "Frame4", QStringLiteral("QRA Locator"), TwipsRect(360, 600, 2295, 975));
  txtlocatorinv = Input(Frame4, "txtlocatorinv", TwipsRect(360, 360, 1575, 375), QStringLiteral("QRA Locator"));
  txtlocatorinv->setFont(MakeFont(Face::SansSerif, 9.75, true));
  cmdcalclocgeo = MakeButton(page, "cmdcalclocgeo", QStringLiteral("Compute"), TwipsRect(1560, 1800, 1095, 375));
  Command2 = MakeButton(page, "Command2", QStringLiteral("Clear"), TwipsRect(360, 1800, 1095, 375));

  Frame5 = MakeFrame(page, "Frame5", QStringLiteral("Latitude"), TwipsRect(2880, 600, 4815, 855));
  txtlatdeginv = Result(Frame5, "txtlatdeginv", TwipsRect(240, 360, 375, 285), QStringLiteral("Latitude degrees"));
  Label8 = MakeLabel(Frame5, "Label8", QStringLiteral("Degrees"), TwipsRect(720, 360, 615, 255));
  txtlatmininv = Result(Frame5, "txtlatmininv", TwipsRect(1440, 360, 375, 285), QStringLiteral("Latitude minutes"));
  Label7 = MakeLabel(Frame5, "Label7", QStringLiteral("Minutes"), TwipsRect(1920, 360, 615, 255));
  Text1 = MakeTextBox(Frame5, "Text1", TwipsRect(2520, 360, 375, 285), QStringLiteral("Latitude seconds"),
                      true, Align::Left, nullptr);
  Label11 = MakeLabel(Frame5, "Label11", QStringLiteral("Seconds"), TwipsRect(3000, 360, 855, 255));
  lbllatsens = MakeLabel(Frame5, "lbllatsens", QStringLiteral("North"), TwipsRect(3960, 360, 615, 255));

  Frame6 = MakeFrame(page, "Frame6", QStringLiteral("Longitude"), TwipsRect(2880, 1560, 4815, 855));
  txtlongdeginv = Result(Frame6, "txtlongdeginv", TwipsRect(240, 360, 375, 285), QStringLiteral("Longitude degrees"));
  Label10 = MakeLabel(Frame6, "Label10", QStringLiteral("Degrees"), TwipsRect(720, 360, 615, 255));
  txtlongmininv = Result(Frame6, "txtlongmininv", TwipsRect(1440, 360, 375, 285), QStringLiteral("Longitude minutes"));
  Label9 = MakeLabel(Frame6, "Label9", QStringLiteral("Minutes"), TwipsRect(1920, 360, 615, 255));
  Text2 = MakeTextBox(Frame6, "Text2", TwipsRect(2520, 360, 375, 285), QStringLiteral("Longitude seconds"),
                      true, Align::Left, nullptr);
  Label12 = MakeLabel(Frame6, "Label12", QStringLiteral("Seconds"), TwipsRect(3000, 360, 735, 255));
  lbllongsens = MakeLabel(Frame6, "lbllongsens", QStringLiteral("East"), TwipsRect(3960, 360, 615, 255));

  for (QLabel* hemisphere : {lbllatsens, lbllongsens}) {
    hemisphere->setFont(MakeFont(Face::SansSerif, 8.25, true, false, true));
    SetAccentText(hemisphere, QPalette::WindowText, QPalette::Window, kRed);
  }
  MakeValueLabel(lbllatsens, QStringLiteral("Latitude hemisphere"));
  MakeValueLabel(lbllongsens, QStringLiteral("Longitude hemisphere"));
}

void frmMain::buildAzimuthPage(QWidget* page) {
  Frame7 = MakeFrame(page, "Frame7", QStringLiteral("QRA Locators"), TwipsRect(360, 600, 3135, 1695));
  Check1 = MakeCheckBox(Frame7, "Check1", QStringLiteral("Always use my QRA locator as base"),
                        TwipsRect(120, 360, 2895, 375), true);
  Label14 = MakeLabel(Frame7, "Label14", QStringLiteral("QRA Locator Base  "), TwipsRect(120, 840, 1815, 375));
  txtlocator1 = Input(Frame7, "txtlocator1", TwipsRect(1680, 840, 1095, 285), QStringLiteral("QRA Locator Base"));
  Label13 = MakeLabel(Frame7, "Label13", QStringLiteral("QRA Locator Target"), TwipsRect(120, 1200, 1575, 255));
  txtlocator2 = Input(Frame7, "txtlocator2", TwipsRect(1680, 1200, 1095, 285), QStringLiteral("QRA Locator Target"));

  Frame8 = MakeFrame(page, "Frame8", QStringLiteral("Distance and Azimuth"), TwipsRect(3720, 600, 3975, 1695));
  Check2 = MakeCheckBox(Frame8, "Check2", QStringLiteral("Use Miles"), TwipsRect(240, 480, 2895, 195), false);
  Label18 = MakeLabel(Frame8, "Label18", QStringLiteral("Distance Base - Target"), TwipsRect(240, 840, 2535, 255));
  txtdistance = Result(Frame8, "txtdistance", TwipsRect(2280, 840, 855, 285), QStringLiteral("Distance Base - Target"));
  txtdistance->setFont(MakeFont(Face::SansSerif, 9.75, true));
  Label17 = MakeLabel(Frame8, "Label17", QStringLiteral("KMs"), TwipsRect(3240, 840, 375, 255));
  MakeValueLabel(Label17, QStringLiteral("Distance unit"));
  Label16 = MakeLabel(Frame8, "Label16", QStringLiteral("Azimuth to Target"), TwipsRect(240, 1200, 2295, 255));
  txtazimuth = Result(Frame8, "txtazimuth", TwipsRect(2280, 1200, 855, 285), QStringLiteral("Azimuth to Target, degrees"));
  txtazimuth->setFont(MakeFont(Face::SansSerif, 8.25, true));
  Label15 = MakeLabel(Frame8, "Label15", QStringLiteral("Degrees"), TwipsRect(3240, 1200, 615, 255));

  cmdcalcazidist = MakeButton(page, "cmdcalcazidist", QStringLiteral("Compute"), TwipsRect(2160, 2400, 1095, 375));
  Command3 = MakeButton(page, "Command3", QStringLiteral("Clear"), TwipsRect(360, 2400, 1095, 375));
}

void frmMain::setFocusOrder() {
  // Tab indexes 0..21, then the read-only boxes, then "Use Miles".
  QWidget* const order[] = {
      SSTab1,       txtlatdeg,    txtlatmin,     txtlatsec,     optlatnord,     optlatsud,
      txtlondeg,    txtlonmin,    txtlonsec,     optlonest,     optlonouest,    Command1,
      raz,          Command5,     txtlocatorinv, cmdcalclocgeo, Command2,       Check1,
      txtlocator1,  txtlocator2,  cmdcalcazidist, Command3,     txtresultloc,   txtlatmininv,
      txtlatdeginv, txtlongmininv, txtlongdeginv, Text1,        Text2,          txtazimuth,
      txtdistance,  Check2,
  };
  for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
}

void frmMain::connectHandlers() {
  connect(Command1, &QPushButton::clicked, this, &frmMain::Command1_Click);
  connect(raz, &QPushButton::clicked, this, &frmMain::raz_Click);
  connect(Command5, &QPushButton::clicked, this, &frmMain::Command5_Click);
  connect(cmdcalclocgeo, &QPushButton::clicked, this, &frmMain::cmdcalclocgeo_Click);
  connect(Command2, &QPushButton::clicked, this, &frmMain::Command2_Click);
  connect(cmdcalcazidist, &QPushButton::clicked, this, &frmMain::cmdcalcazidist_Click);
  connect(Command3, &QPushButton::clicked, this, &frmMain::Command3_Click);
  // A check box runs its handler whenever its value changes, from a click or
  // from code, and not when it is set to the value it already has.
  connect(Check1, &QCheckBox::toggled, this, &frmMain::Check1_Click);
  connect(Check2, &QCheckBox::toggled, this, &frmMain::Check2_Click);
  connect(mnuquitter, &QAction::triggered, this, &frmMain::mnuquitter_Click);
  connect(mnumail, &QAction::triggered, this, [] { mnumail_Click(); });
  connect(mnuhome, &QAction::triggered, this, [] { mnuhome_Click(); });
  connect(mnusujet, &QAction::triggered, this, [] { mnusujet_Click(); });
}

void frmMain::changeEvent(QEvent* event) {
  // A new desktop theme (light to dark, high contrast): the application's
  // palette is made again from it, and the new palette recolours the accents.
  if (event->type() == QEvent::ThemeChange) UseReadablePalette();
  if (event->type() == QEvent::PaletteChange) RefreshAccentText(this);
  QMainWindow::changeEvent(event);
}

void frmMain::mnuquitter_Click() {
  // Nothing to save and no file is held open between events.
  close();
}

}  // namespace morvane
