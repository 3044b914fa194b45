// Morvane: a QRA locator calculator for radio amateurs.
#include <QApplication>
#include <QCommandLineParser>
#include <QStyleFactory>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "app/module1.h"
#include "ui/readable_colour.h"

namespace {

constexpr int kUsageError = 2;

// Whether Qt has a screen to open windows on: a desktop session, or a
// platform chosen explicitly (offscreen, vnc...).
bool HaveDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = std::getenv(name);
    if (value && *value) return true;
  }
  return false;
}

}  // namespace

int main(int argc, char* argv[]) {
  // Under a file-size limit a save must fail with an error the program
  // reports, not kill it.
  std::signal(SIGXFSZ, SIG_IGN);

  // Options are answered before any window system is touched, so that
  // --help and --version work without a desktop.
  {
    QStringList args;
    for (int i = 0; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "QRA (Maidenhead) locator calculator for radio amateurs: position to locator, "
        "locator to position, azimuth and distance.\n"
        "Your own locator is kept in user.ini: beside the program when its folder can be "
        "written, otherwise in $XDG_CONFIG_HOME/morvane/ (~/.config/morvane/)."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption version(QStringLiteral("version"),
                                     QStringLiteral("Show the version and exit."));
    parser.addOption(help);
    parser.addOption(version);
    if (!parser.parse(args) || !parser.positionalArguments().isEmpty()) {
      const QString why = parser.errorText().isEmpty()
                              ? QStringLiteral("unexpected argument %1").arg(parser.positionalArguments().value(0))
                              : parser.errorText();
      std::fprintf(stderr, "morvane: %s\nUsage: morvane [--help] [--version]\n", qPrintable(why));
      return kUsageError;
    }
    if (parser.isSet(help)) {
      // No application object yet, so the parser cannot know the name.
      std::fputs(qPrintable(parser.helpText().replace(QStringLiteral("<executable_name>"), QStringLiteral("morvane"))), stdout);
      return 0;
    }
    if (parser.isSet(version)) {
      std::printf("Morvane %s\n", MORVANE_VERSION);
      return 0;
    }
  }
  if (!HaveDisplay()) {
    std::fputs("morvane: needs a desktop to open its window; without one, run it under Xvfb: "
               "Xvfb :99 & DISPLAY=:99 morvane\n",
               stderr);
    return 1;
  }

  // The menu bar belongs in the window; not probing the desktop for a
  // global menu bar also saves start-up time.
  QCoreApplication::setAttribute(Qt::AA_DontUseNativeMenuBar);
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("morvane"));
  // One look on every desktop; the layout is drawn for it.
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  // Light or dark as the desktop is, with every text readable on its ground.
  morvane::UseReadablePalette();

  const auto main = morvane::Main(morvane::HomeStore::ForThisProgram());
  return main ? QApplication::exec() : 1;
}
