// morvane-cli at the station, as a ham runs it: listen with datagrams made
// by Qt's own QDataStream (the encoding the digital-mode programs use) over
// a real UDP socket, and rotate against Debian's rotctld and its dummy
// rotator, or a small fake server for the faults the dummy cannot make.
//   station_test (MORVANE_CLI names the program)
#include <QDataStream>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTime>
#include <QUdpSocket>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QNetworkInterface>
#include <QColor>
#include <QNetworkDatagram>
#include <QDateTime>
#include <QFileInfo>

#include <memory>

#include <csignal>

namespace {

QString Cli() { return qEnvironmentVariable("MORVANE_CLI", "morvane-cli"); }

// MORVANE_CLI_WINDOWS: the program is the Windows build under Wine, where
// the only way to stop a console program is Ctrl-C, which Wine makes of
// SIGINT; it then ends with STATUS_CONTROL_C_EXIT, of which a POSIX parent
// sees the low byte. Ctrl-Break (the summary) cannot be sent through Wine.
bool Windows() { return qEnvironmentVariableIsSet("MORVANE_CLI_WINDOWS"); }
int Interrupted(int signal) { return Windows() ? 0x3a : 128 + signal; }

// A signal to a program still running (never to pid 0: this whole group).
void Signal(const QProcess& p, int signal) {
  if (Windows() && signal != SIGUSR1) signal = SIGINT;
  if (p.processId() > 0) ::kill(static_cast<pid_t>(p.processId()), signal);
}

// A free TCP or UDP port on 127.0.0.1.
quint16 FreePort() {
  QTcpServer s;
  s.listen(QHostAddress::LocalHost, 0);
  return s.serverPort();
}

// Waits (at most 10 s) until some socket on this machine is bound to the UDP
// port, as /proc/net/udp lists them: a program under the sanitizers takes a
// while to start, and a datagram sent before it listens is lost.
void WaitListening(quint16 port) {
  const QByteArray bound = ":" + QByteArray::number(port, 16).toUpper().rightJustified(4, '0') + " ";
  QElapsedTimer waited;
  waited.start();
  while (waited.elapsed() < 10000) {
    QFile table("/proc/net/udp");
    if (table.open(QIODevice::ReadOnly) && table.readAll().contains(bound)) return;
    QTest::qWait(20);
  }
}

QByteArray Message(quint32 type, const std::function<void(QDataStream&)>& body, quint32 schema = 3,
                   const QByteArray& id = "WSJT-X") {
  QByteArray bytes;
  QDataStream out(&bytes, QIODevice::WriteOnly);
  out.setVersion(QDataStream::Qt_5_4);
  out << quint32(0xadbccbda) << schema << type << id;
  body(out);
  return bytes;
}

QByteArray Decode(const QString& text, QTime time = QTime(14, 3, 15), quint32 schema = 3, bool isNew = true) {
  return Message(2, [&](QDataStream& out) {
    out << isNew << time << qint32(-12) << 0.2 << quint32(1234) << QByteArray("~") << text.toUtf8() << false << false;
  }, schema);
}

QByteArray Status(const QByteArray& deGrid, const QByteArray& dxCall = "", const QByteArray& dxGrid = "",
                  const QByteArray& id = "WSJT-X") {
  return Message(1, [&](QDataStream& out) {
    out << quint64(14074000) << QByteArray("FT8") << dxCall << QByteArray("-10") << QByteArray("FT8") << false << false
        << true << quint32(1500) << quint32(1500) << QByteArray("G4XYZ") << deGrid << dxGrid << false << QByteArray()
        << false << quint8(0) << quint32(0) << quint32(15) << QByteArray("Default") << QByteArray();
  }, 3, id);
}

// A listen process on a free port, and a socket of this machine to send from.
struct Listen {
  explicit Listen(const QStringList& args) : port(FreePort()) {
    p.start(Cli(), QStringList{"listen", "--port", QString::number(port)} + args);
    p.waitForStarted();
    WaitListening(port);
    udp.bind(QHostAddress::LocalHost, 0);
  }
  void Send(const QByteArray& d) { udp.writeDatagram(d, QHostAddress::LocalHost, port); }
  // Ends it with signal; its exit status.
  int End(int signal = SIGTERM) {
    Signal(p, signal);
    return p.waitForFinished(5000) ? p.exitCode() : -1;
  }
  QProcess p;
  quint16 port;
  QUdpSocket udp;
};

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

}  // namespace

class StationTest : public QObject {
  Q_OBJECT

 private slots:
  void listenAnswersDecodesThatCarryALocator() {
    const quint16 port = FreePort();
    QProcess cli;
    cli.start(Cli(), {"listen", "--port", QString::number(port), "--my", "JN18EU"});
    QVERIFY(cli.waitForStarted());
    WaitListening(port);
    QUdpSocket udp;
    const auto send = [&](const QByteArray& d) { udp.writeDatagram(d, QHostAddress::LocalHost, port); };
    send(Message(0, [](QDataStream& out) { out << quint32(3) << QByteArray("2.6.1") << QByteArray("abc"); }));
    send(Decode("G4XYZ K1ABC RR73"));         // no locator: skipped
    send(Decode("K1ABC G4XYZ -12"));          // a report: skipped
    send(Decode("CQ K1ABC FN42"));
    send(Decode("CQ DX W1AW/P fn31", QTime(0, 0, 59), 2));  // schema 2, as older programs send
    send(Decode("CQ F5ABC JN18EU"));          // in the base's own cell
    send(Decode("CQ K1ABC FN42 a1"));         // decoded with a priori help: its tag passed over
    send(Decode("W9XYZ K1ABC R FN42"));       // a contest exchange with a locator
    send(Decode("CQ K1ABC FN42", QTime(14, 3, 15), 3, false));  // a replay: not shown again
    send(Message(2, [](QDataStream& out) {    // stamped 24:00:00: no time of day
      out << true << quint32(86400000) << qint32(-12) << 0.2 << quint32(1234) << QByteArray("~") << QByteArray("CQ K1ABC FN42");
    }));
    const QByteArray whole = Decode("CQ K1ABC FN42");
    send(whole.left(whole.size() - 3));       // cut short
    send("not a message at all");
    send(Message(10, [](QDataStream& out) {   // WSPR off the bands: its frequency in MHz for a band
      out << true << QTime(14, 4, 0) << qint32(-16) << 0.5 << quint64(13553900) << qint32(0) << QByteArray("G4XYZ")
          << QByteArray("IO91") << qint32(37) << false;
    }));
    QTest::qWait(500);
    Signal(cli, SIGTERM);
    QVERIFY(cli.waitForFinished(5000));
    QCOMPARE(cli.exitCode(), 0);
    // No Status came: no band; the mode from the decode's own mark.
    QCOMPARE(QString(cli.readAllStandardOutput()),
             QString("14:03:15\t-\tFT8\t-12\tK1ABC\tFN42\t292\t5527\tkm\n00:00:59\t-\tFT8\t-12\tW1AW/P\tFN31\t292\t5726\tkm\n"
                     "14:03:15\t-\tFT8\t-12\tF5ABC\tJN18EU\t0\t0\tkm\n14:03:15\t-\tFT8\t-12\tK1ABC\tFN42\t292\t5527\tkm\n"
                     "14:03:15\t-\tFT8\t-12\tK1ABC\tFN42\t292\t5527\tkm\n14:04:00\t13.5539\tWSPR\t-16\tG4XYZ\tIO91\t322\t380\tkm\n"));
    QCOMPARE(QString(cli.readAllStandardError()).trimmed().split('\n').last(),
             QString("morvane-cli: 9 decodes, 6 with a locator, 3 malformed, 1 replayed (not shown), 0 from other "
                     "hosts (ignored), 0 lost for want of room"));
  }

  void listenTakesItsBaseFromStatusAndAnswersAtOnce() {
    const quint16 port = FreePort();
    QProcess cli;
    cli.start(Cli(), {"listen", "--port", QString::number(port), "--json"});
    QVERIFY(cli.waitForStarted());
    WaitListening(port);
    QUdpSocket udp;
    udp.writeDatagram(Status("JN18EU"), QHostAddress::LocalHost, port);
    udp.writeDatagram(Decode("CQ K1ABC FN42"), QHostAddress::LocalHost, port);
    // The line is out while the program still runs: it was flushed at once.
    QVERIFY(cli.waitForReadyRead(5000));
    QCOMPARE(QString(cli.readLine()).trimmed(),
             QString("{\"time\": \"14:03:15\", \"band\": \"20m\", \"frequency\": 14074000, \"mode\": \"FT8\", "
                     "\"snr\": -12, \"call\": \"K1ABC\", \"locator\": \"FN42\", \"azimuth\": 292, \"distance\": 5527, "
                     "\"unit\": \"km\"}"));
    Signal(cli, SIGINT);
    QVERIFY(cli.waitForFinished(5000));
  }

  void rotateTurnsTheDummyRotator() {
    const quint16 port = FreePort();
    QProcess rotctld;
    rotctld.start("rotctld", {"-m", "1", "-T", "127.0.0.1", "-t", QString::number(port)});
    QVERIFY2(rotctld.waitForStarted(), "rotctld (libhamlib-utils) is needed");
    QTest::qWait(500);
    const QString rotator = "127.0.0.1:" + QString::number(port);
    const auto run = [&](const QStringList& args) {
      QProcess cli;
      cli.start(Cli(), QStringList{"rotate", "--rotator", rotator} + args);
      cli.waitForFinished(30000);
      return QPair<int, QString>(cli.exitCode(), QString(cli.readAllStandardOutput() + cli.readAllStandardError()).trimmed());
    };
    QCOMPARE(run({"--azimuth", "10"}), (QPair<int, QString>(0, "rotated to 10 (from 0)")));
    // 270 on the dummy's -180..450: the shorter turn, no refusal.
    // The dummy moves on after the antenna is within the 2 degrees that count as there.
    const QString turning = run({"--no-wait", "--azimuth", "270"}).second;
    // (the 2 degrees of arrival, and a little more the dummy moves on when this machine is busy)
    QVERIFY2(QRegularExpression("^turning to 270 \\(from ([7-9]|1[0-3])\\)$").match(turning).hasMatch(), qPrintable(turning));
    QCOMPARE(run({"--no-wait", "--long", "JN18EU", "FN20XR"}).first, 0);
    // Where the dummy reads about -90 after that shorter turn, the bearing shown is about 270.
    QVERIFY(run({"--azimuth", "270"}).second.startsWith("rotated to 270 (from "));
    // (within a degree or so of it: the dummy stops once it is close enough)
    const QString back = run({"--no-wait", "--azimuth", "10"}).second;
    QVERIFY2(QRegularExpression("^turning to 10 \\(from 2(6[7-9]|7[0-3])\\)$").match(back).hasMatch(), qPrintable(back));
    rotctld.kill();
    rotctld.waitForFinished();
    const auto refused = run({"--azimuth", "10"});
    QCOMPARE(refused.first, 1);
    QVERIFY2(refused.second.endsWith(": connection refused; start rotctld"), qPrintable(refused.second));
  }

  // A rotator that never moves, and every line it was sent.
  void StuckRotator(QTcpServer& fake, QStringList& heard) {
    ScriptedRotator(fake, heard, "1\n1\nmin_az=0\nmax_az=360\nmin_el=0\nmax_el=90\ndone\n", [](int) { return QString("5.00"); });
  }
  // A rotator that answers \dump_state with dumpState and the n-th "p" after
  // the first "P" with position(n) (n < 0 before it); "" is no answer at all,
  // then or to any command but "P".
  void ScriptedRotator(QTcpServer& fake, QStringList& heard, const QByteArray& dumpState,
                       const std::function<QString(int)>& position, quint16 port = 0) {
    QVERIFY(fake.listen(QHostAddress::LocalHost, port));
    auto moved = std::make_shared<int>(-1);  // one rotator, whichever connection asks
    QObject::connect(&fake, &QTcpServer::newConnection, [&fake, &heard, dumpState, position, moved] {
      QTcpSocket* s = fake.nextPendingConnection();
      QObject::connect(s, &QTcpSocket::readyRead, [s, &heard, dumpState, position, moved] {
        while (s->canReadLine()) {
          const QString line = QString(s->readLine()).trimmed();
          heard << line;
          if (line == "\\dump_state") {
            s->write(dumpState);
          } else if (line == "p") {
            const QString at = position(*moved < 0 ? -1 : (*moved)++);
            if (!at.isEmpty()) s->write((at + "\n0.00\n").toUtf8());
          } else if (line.startsWith("P ")) {
            *moved = std::max(*moved, 0);
            s->write("RPRT 0\n");
          } else if (position(*moved) != "") {  // a rotator that hangs answers nothing more
            s->write("RPRT 0\n");
          }
        }
      });
    });
  }

  // Runs rotate against a fake; its exit status and what it said.
  QPair<int, QString> RotateAgainst(QTcpServer& fake, const QStringList& args, int signalAfterMs = 0,
                                    int secondSignalMs = 0) {
    QProcess cli;
    cli.start(Cli(), QStringList{"rotate", "--rotator", "127.0.0.1:" + QString::number(fake.serverPort())} + args);
    if (signalAfterMs) {
      QTest::qWait(signalAfterMs);
      Signal(cli, SIGINT);
      if (secondSignalMs) {
        QTest::qWait(secondSignalMs);
        Signal(cli, SIGINT);
      }
    }
    QElapsedTimer waited;  // the fake answers from this event loop: no blocking wait
    waited.start();
    while (cli.state() != QProcess::NotRunning && waited.elapsed() < 15000) QTest::qWait(20);
    if (cli.state() != QProcess::NotRunning) return {-1, "still running"};
    return {cli.exitCode(), QString(cli.readAllStandardOutput() + cli.readAllStandardError()).trimmed()};
  }

  // Arrival within the tolerance, as bearings; a flicker short of it ends
  // at the time-out; the older protocol's \dump_state; a range that cannot be read.
  void rotateArrivesAsRotatorsDo() {
    const QByteArray v1 = "1\n1\nmin_az=0\nmax_az=450\nmin_el=0\nmax_el=90\ndone\n";
    const struct {
      const char* name;
      QByteArray dumpState;
      std::function<QString(int)> position;
      QStringList args;
      int status;
      QString said;
    } cases[] = {
        {"two short", v1, [](int n) { return QString(n < 0 ? "0.00" : "88.00"); }, {"--azimuth", "90"}, 0,
         "rotated to 90 (from 0)"},
        {"modulo 360", v1, [](int n) { return QString(n < 0 ? "350.00" : "10.00"); }, {"--azimuth", "10"}, 0,
         "rotated to 10 (from 350)"},
        {"flicker", v1, [](int n) { return QString(n < 0 ? "0.00" : n % 2 ? "85.00" : "86.50"); },
         {"--timeout", "1", "--azimuth", "90"}, 1, ", short of 90 (no nearer for 1 s)"},
        {"older protocol", "0\n1\n0.000000\n360.000000\n0.000000\n90.000000\n",
         [](int n) { return QString(n < 0 ? "0.00" : "45.00"); }, {"--azimuth", "45"}, 0, "rotated to 45 (from 0)"},
        {"no range", "1\n1\nmin_az=0\nmax_az=360\ndone\n", [](int) { return QString("0.00"); }, {"--azimuth", "45"}, 1,
         "morvane-cli: the rotator's range cannot be read from \\dump_state"},
        {"359 is within 2 of 1", v1, [](int n) { return QString(n < 0 ? "90.00" : "359.00"); }, {"--azimuth", "1"}, 0,
         "rotated to 1 (from 90)"},
        {"359.6 is 0", v1, [](int n) { return QString(n < 0 ? "359.60" : "0.00"); }, {"--no-wait", "--azimuth", "359.6"}, 0,
         "turning to 0 (from 0)"},
    };
    for (const auto& c : cases) {
      QTcpServer fake;
      QStringList heard;
      ScriptedRotator(fake, heard, c.dumpState, c.position);
      QElapsedTimer took;
      took.start();
      const auto [status, said] = RotateAgainst(fake, c.args);
      QVERIFY2(status == c.status && said.endsWith(c.said), qPrintable(QString(c.name) + ": " + said));
      QVERIFY2(took.elapsed() < 4000, c.name);
    }
  }

  // Ctrl-C while the rotator has stopped answering: said so within 2 s; a
  // second Ctrl-C ends at once; SIGTERM's status is 143.
  void ctrlCWhileTheRotatorHangs() {
    // (the waits below are measured while this event loop answers for the fake)
    QTcpServer fake;
    QStringList heard;
    ScriptedRotator(fake, heard, "1\n1\nmin_az=0\nmax_az=360\nmin_el=0\nmax_el=90\ndone\n",
                    [](int n) { return QString(n < 0 ? "0.00" : ""); });
    QElapsedTimer took;
    took.start();
    const auto once = RotateAgainst(fake, {"--azimuth", "90"}, 700);
    QVERIFY2(took.elapsed() < 700 + 2500, qPrintable(QString::number(took.elapsed())));
    QCOMPARE(once.first, Interrupted(SIGINT));
    QVERIFY2(once.second.contains("stop sent, no answer from the rotator"), qPrintable(once.second));
    took.restart();
    const auto twice = RotateAgainst(fake, {"--azimuth", "90"}, 700, 200);
    QVERIFY2(took.elapsed() < 700 + 200 + 800, qPrintable(QString::number(took.elapsed())));
    QCOMPARE(twice.first, Interrupted(SIGINT));
    QProcess cli;
    cli.start(Cli(), {"rotate", "--rotator", "127.0.0.1:" + QString::number(fake.serverPort()), "--azimuth", "90"});
    QTest::qWait(700);
    Signal(cli, SIGTERM);
    QVERIFY(cli.waitForFinished(5000));
    QCOMPARE(cli.exitCode(), Interrupted(SIGTERM));
  }

  void ctrlCStopsTheRotatorBeforeLeaving() {
    QTcpServer fake;
    QStringList heard;
    StuckRotator(fake, heard);
    QProcess cli;
    cli.start(Cli(), {"rotate", "--rotator", "127.0.0.1:" + QString::number(fake.serverPort()), "--azimuth", "90"});
    QTRY_VERIFY_WITH_TIMEOUT(heard.contains("P 90.00 0.00"), 5000);
    Signal(cli, SIGINT);
    QTRY_VERIFY_WITH_TIMEOUT(cli.state() == QProcess::NotRunning, 5000);
    QCOMPARE(cli.exitCode(), Interrupted(SIGINT));
    QVERIFY(heard.contains("S"));
  }

  void listenTurnsToTheStationPicked() {
    QTcpServer fake;
    QStringList heard;
    StuckRotator(fake, heard);
    const quint16 port = FreePort();
    QProcess cli;
    cli.start(Cli(), {"listen", "--port", QString::number(port), "--rotate",
                      "127.0.0.1:" + QString::number(fake.serverPort())});
    QVERIFY(cli.waitForStarted());
    WaitListening(port);
    QUdpSocket udp;
    udp.writeDatagram(Status("JN18EU", "K1ABC", "FN42"), QHostAddress::LocalHost, port);
    // A second instance on the port picks another station: not followed.
    udp.writeDatagram(Status("JN18EU", "VK2XY", "QF56", "JTDX"), QHostAddress::LocalHost, port);
    QTRY_VERIFY_WITH_TIMEOUT(heard.contains("P 292.00 0.00"), 5000);
    QTest::qWait(500);
    Signal(cli, SIGTERM);
    QVERIFY(cli.waitForFinished(5000));
    QCOMPARE(heard.filter(QRegularExpression("^P ")).size(), 1);
    QCOMPARE(cli.readAllStandardOutput(), QByteArray());  // status lines go to standard error
    QVERIFY(QString(cli.readAllStandardError()).contains("turning to 292 (K1ABC FN42, from 5)"));
  }

  // The decode console: marks from a log that grows, filters, WSPR, the
  // summary on SIGUSR1 and in a CSV file.
  void listenIsADecodeConsole() {
    QTemporaryDir dir;
    const QString log = dir.filePath("log.adi"), csv = dir.filePath("heard.csv");
    QFile adif(log);
    QVERIFY(adif.open(QIODevice::WriteOnly));
    // An <EOR> quoted in a field's data is data: the record goes on to its band.
    adif.write("Log <EOH>\n<CALL:5>K1ABC <COMMENT:15>ends <EOR> here<GRIDSQUARE:4>FN42 <BAND:3>20M <EOR>\n<CALL:4>W1AW <GRIDSQUARE:6>FN31PR "
               "<FREQ:6>14.074 <EOR>\n<CALL:5>K1ABC <GRIDSQUARE:4>FN42 <BAND:2>2m <EOR>\n");
    adif.flush();
    const quint16 port = FreePort();
    QProcess cli;
    cli.start(Cli(), {"listen", "--port", QString::number(port), "--log", log, "--summary", csv, "--min-snr", "-20",
                      "--bearing", "250-340"});
    QVERIFY(cli.waitForStarted());
    WaitListening(port);
    QUdpSocket udp;
    const auto send = [&](const QByteArray& d) { udp.writeDatagram(d, QHostAddress::LocalHost, port); };
    send(Status("JN18EU"));
    send(Decode("CQ K1ABC FN42"));    // worked on 20m
    send(Decode("CQ N1XYZ FN42"));    // a new call in a square worked
    send(Decode("CQ VE1ABC FN74"));   // a new square
    send(Decode("CQ VK2XY QF56"));    // to the east: outside --bearing
    send(Message(2, [](QDataStream& out) {  // too weak for --min-snr
      out << true << QTime(14, 3, 15) << qint32(-24) << 0.2 << quint32(1234) << QByteArray("~") << QByteArray("CQ K2AA FN20");
    }));
    send(Message(10, [](QDataStream& out) {  // WSPR
      out << true << QTime(14, 4, 0) << qint32(-21 + 5) << 0.5 << quint64(14097100) << qint32(0) << QByteArray("G4XYZ")
          << QByteArray("IO91") << qint32(37) << false;
    }));
    QTest::qWait(300);
    adif.write("<CALL:5>N1XYZ <GRIDSQUARE:4>FN42 <BAND:3>20m <EOR>\n");  // logged meanwhile
    adif.flush();
    QTest::qWait(1500);
    send(Decode("CQ N1XYZ FN42", QTime(14, 5, 0)));
    QTest::qWait(300);
    if (!Windows()) {
      Signal(cli, SIGUSR1);
      QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(csv), 3000);
    }
    Signal(cli, SIGTERM);
    QVERIFY(cli.waitForFinished(5000));
    QCOMPARE(cli.exitCode(), 0);
    QCOMPARE(QString(cli.readAllStandardOutput()),
             QString("14:03:15\t20m\tFT8\t-12\tK1ABC\tFN42\t292\t5527\tkm\tworked\n"
                     "14:03:15\t20m\tFT8\t-12\tN1XYZ\tFN42\t292\t5527\tkm\tnew call\n"
                     "14:03:15\t20m\tFT8\t-12\tVE1ABC\tFN74\t291\t4998\tkm\tnew square\n"
                     "14:04:00\t20m\tWSPR\t-16\tG4XYZ\tIO91\t322\t380\tkm\tnew square\n"
                     "14:05:00\t20m\tFT8\t-12\tN1XYZ\tFN42\t292\t5527\tkm\tworked\n"));
    QFile heard(csv);
    QVERIFY(heard.open(QIODevice::ReadOnly));
    QCOMPARE(QString(heard.readAll()),
             QString("band,square,decodes,best_snr,farthest_call,farthest_locator,azimuth,distance,unit\r\n"
                     "20m,QF56,1,-12,VK2XY,QF56,68,16937,km\r\n20m,FN20,1,-24,K2AA,FN20,292,5927,km\r\n"
                     "20m,FN42,3,-12,K1ABC,FN42,292,5527,km\r\n20m,FN74,1,-12,VE1ABC,FN74,291,4998,km\r\n"
                     "20m,IO91,1,-16,G4XYZ,IO91,322,380,km\r\n"));
  }

  // A rotator that hangs never holds back a decode line; --turn follows a
  // call heard; only this machine's datagrams turn the antenna.
  void listenNeverWaitsForTheRotatorAndObeysOnlyThisMachine() {
    QTcpServer hung;
    QStringList heard;
    ScriptedRotator(hung, heard, "", [](int) { return QString(); });  // accepts, never answers
    const quint16 port = FreePort();
    QProcess cli;
    cli.start(Cli(), {"listen", "--port", QString::number(port), "--my", "JN18EU", "--settle", "0", "--turn", "K1ABC",
                      "--rotate", "127.0.0.1:" + QString::number(hung.serverPort())});
    QVERIFY(cli.waitForStarted());
    WaitListening(port);
    QUdpSocket udp;
    udp.writeDatagram(Decode("CQ K1ABC FN42"), QHostAddress::LocalHost, port);
    QTRY_VERIFY_WITH_TIMEOUT(heard.contains("\\dump_state"), 3000);  // the turn has begun, and hangs
    udp.writeDatagram(Decode("CQ W1AW FN31", QTime(14, 3, 30)), QHostAddress::LocalHost, port);
    QElapsedTimer took;
    took.start();
    QByteArray lines;
    while (lines.count('\n') < 2 && took.elapsed() < 3000) {
      QTest::qWait(20);
      lines += cli.readAllStandardOutput();
    }
    QVERIFY2(lines.count('\n') == 2 && took.elapsed() < 1000, lines.constData());
    Signal(cli, SIGTERM);
    QTRY_VERIFY_WITH_TIMEOUT(cli.state() == QProcess::NotRunning, 2000);  // the hung turn does not hold the end

    // From another address of this machine, as a host on the network would send.
    QHostAddress other;
    for (const QHostAddress& a : QNetworkInterface::allAddresses())
      if (a.protocol() == QAbstractSocket::IPv4Protocol && !a.isLoopback()) other = a;
    if (other.isNull()) QSKIP("no IPv4 address besides loopback to send from");
    QTcpServer fake;
    QStringList turned;
    StuckRotator(fake, turned);
    QProcess guarded;
    guarded.start(Cli(), {"listen", "--port", QString::number(port), "--rotate",
                          "127.0.0.1:" + QString::number(fake.serverPort())});
    QVERIFY(guarded.waitForStarted());
    WaitListening(port);
    QUdpSocket lan;
    QVERIFY(lan.bind(other, 0));
    lan.writeDatagram(Status("JN18EU", "K1ABC", "FN42"), other, port);
    QTest::qWait(700);
    Signal(guarded, SIGTERM);
    QTRY_VERIFY_WITH_TIMEOUT(guarded.state() == QProcess::NotRunning, 5000);
    QVERIFY(turned.filter(QRegularExpression("^P ")).isEmpty());
    QVERIFY(QString(guarded.readAllStandardError()).contains("1 from other hosts (ignored)"));
    // Unless --from names it.
    QProcess trusting;
    trusting.start(Cli(), {"listen", "--port", QString::number(port), "--from", other.toString(), "--rotate",
                           "127.0.0.1:" + QString::number(fake.serverPort())});
    QVERIFY(trusting.waitForStarted());
    WaitListening(port);
    lan.writeDatagram(Status("JN18EU", "K1ABC", "FN42"), other, port);
    QTRY_VERIFY_WITH_TIMEOUT(turned.contains("P 292.00 0.00"), 5000);
    Signal(trusting, SIGTERM);
    QTRY_VERIFY_WITH_TIMEOUT(trusting.state() == QProcess::NotRunning, 5000);
  }

  // Multicast as the programs send it by default, through loopback, to two
  // listeners at once; a unicast port another program holds is left to it.
  void listenSharesAGroupAndNotAPort() {
    const quint16 port = FreePort();
    QProcess a, b;
    for (QProcess* p : {&a, &b}) {
      p->start(Cli(), {"listen", "--port", QString::number(port), "--group", "239.255.0.1", "--my", "JN18EU"});
      QVERIFY(p->waitForStarted());
    }
    QTest::qWait(400);
    QUdpSocket sender;
    QVERIFY(sender.bind(QHostAddress::AnyIPv4, 0));
    sender.setMulticastInterface(QNetworkInterface::interfaceFromName("lo"));
    sender.writeDatagram(Decode("CQ K1ABC FN42"), QHostAddress("239.255.0.1"), port);
    for (QProcess* p : {&a, &b}) {
      QVERIFY(p->waitForReadyRead(3000));
      QCOMPARE(QString(p->readLine()).trimmed(), QString("14:03:15\t-\tFT8\t-12\tK1ABC\tFN42\t292\t5527\tkm"));
      Signal(*p, SIGTERM);
      QVERIFY(p->waitForFinished(5000));
    }
    QUdpSocket logger;
    QVERIFY(logger.bind(QHostAddress::AnyIPv4, port));
    QProcess cli;
    cli.start(Cli(), {"listen", "--port", QString::number(port), "--my", "JN18EU"});
    QVERIFY(cli.waitForFinished(5000));
    QCOMPARE(cli.exitCode(), 1);
    QCOMPARE(QString(cli.readAllStandardError()).trimmed(),
             "morvane-cli: UDP port " + QString::number(port) + " is in use by another program: use --group with multicast");
  }

  void summaryNeverReplacesTheLog();
  void everyEndingWritesTheSummary();
  void talksBackToTheProgram();
  void hearsThisMachineAndWhomFromNames();
  void listenTurnsWhenTheRotatorIsBack();
  void listenSaysWhatTheLogHolds();

  void rotateGivesUpOnAStuckRotatorAndStopsIt() {
    QTcpServer fake;
    QStringList heard;
    StuckRotator(fake, heard);
    QProcess cli;
    cli.start(Cli(), {"rotate", "--rotator", "127.0.0.1:" + QString::number(fake.serverPort()), "--timeout", "1",
                      "--azimuth", "90"});
    QTRY_VERIFY_WITH_TIMEOUT(cli.state() == QProcess::NotRunning, 10000);
    QCOMPARE(cli.exitCode(), 1);
    QCOMPARE(QString(cli.readAllStandardError()).trimmed(),
             QString("morvane-cli: the rotator stopped at 5, short of 90 (no nearer for 1 s)"));
    QVERIFY(heard.contains("S"));
    QVERIFY(heard.contains("P 90.00 0.00"));
  }
};


// The log is never the summary's victim, nor is a file of other text.
void StationTest::summaryNeverReplacesTheLog() {
  QTemporaryDir dir;
  const QString log = dir.filePath("log.adi"), foreign = dir.filePath("prices.csv");
  const QByteArray logged = "<EOH>\n<CALL:5>K1ABC <GRIDSQUARE:4>FN42 <BAND:3>20m <EOR>\n";
  { QFile f(log); f.open(QIODevice::WriteOnly); f.write(logged); }
  { QFile f(foreign); f.open(QIODevice::WriteOnly); f.write("item,price\n"); }
  const QString tiny = dir.filePath("note.txt");  // one byte is not nothing
  { QFile f(tiny); f.open(QIODevice::WriteOnly); f.write("x"); }
  QFile::link(log, dir.filePath("link.adi"));
  ::link(log.toLocal8Bit().constData(), dir.filePath("hard.adi").toLocal8Bit().constData());
  for (const QString& named : {log, dir.path() + "/./log.adi", dir.filePath("link.adi"), dir.filePath("hard.adi"),
                               foreign, tiny}) {
    QProcess cli;
    cli.start(Cli(), {"listen", "--port", QString::number(FreePort()), "--log", log, "--summary", named});
    QVERIFY(cli.waitForFinished(5000));
    QCOMPARE(cli.exitCode(), 2);
    QVERIFY2(cli.readAllStandardError().contains("not replaced"), qPrintable(named));
  }
  QCOMPARE(ReadAll(log), logged);
  QCOMPARE(ReadAll(foreign), QByteArray("item,price\n"));
  QCOMPARE(ReadAll(tiny), QByteArray("x"));
  // --force replaces a file of other text; a folder that is not there fails the exit status.
  Listen forced({"--my", "JN18EU", "--summary", foreign, "--force"});
  QCOMPARE(forced.End(), 0);
  QVERIFY(ReadAll(foreign).startsWith("band,square,"));
  Listen nowhere({"--my", "JN18EU", "--summary", dir.filePath("no/such/folder.csv")});
  QCOMPARE(nowhere.End(), 1);
  // Mid-session, the summary's name comes to point at the log: not written, and said by the exit status.
  const QString csv = dir.filePath("heard.csv");
  if (Windows()) return;  // the summary on request needs Ctrl-Break
  Listen l({"--my", "JN18EU", "--log", log, "--summary", csv});
  l.Send(Decode("CQ K1ABC FN42"));
  Signal(l.p, SIGUSR1);
  QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(csv), 3000);
  QFile::remove(csv);
  QFile::link(log, csv);
  Signal(l.p, SIGUSR1);
  QTest::qWait(300);
  QCOMPARE(l.End(), 1);
  QCOMPARE(ReadAll(log), logged);
}

// Every way a session ends writes the summary: the signals that end it, and
// a reader that goes away, even when the shell ignores SIGPIPE.
void StationTest::everyEndingWritesTheSummary() {
  QTemporaryDir dir;
  for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
    if (Windows() && signal != SIGINT) continue;
    const QString csv = dir.filePath(QString::number(signal) + ".csv");
    Listen l({"--my", "JN18EU", "--summary", csv});
    l.Send(Decode("CQ K1ABC FN42"));
    QTest::qWait(200);
    QCOMPARE(l.End(signal), 0);
    QVERIFY2(ReadAll(csv).contains("FN42,1,"), qPrintable(QString::number(signal)));
  }
  for (const bool more : {true, false}) {  // a decode after the reader left, or none
    // Windows tells of a reader gone only when written to: at the next decode.
    if (Windows() && !more) continue;
    const quint16 port = FreePort();
    const QString csv = dir.filePath(more ? "piped.csv" : "idle.csv");
    QProcess shell;
    shell.start("bash", {"-c", "set -o pipefail; trap '' PIPE; \"$0\" listen --port " + QString::number(port) +
                                   " --my JN18EU --summary " + csv + " | head -1", Cli()});
    QVERIFY(shell.waitForStarted());
    WaitListening(port);
    QUdpSocket udp;
    udp.writeDatagram(Decode("CQ K1ABC FN42"), QHostAddress::LocalHost, port);
    QTest::qWait(300);
    if (more) udp.writeDatagram(Decode("CQ W1AW FN31"), QHostAddress::LocalHost, port);
    QTRY_VERIFY_WITH_TIMEOUT(shell.state() == QProcess::NotRunning, 3000);
    QCOMPARE(shell.exitCode(), 0);  // a reader that leaves is no failure
    QVERIFY(ReadAll(csv).contains("FN42,1,"));
  }
  // Output that cannot be written for another reason (a full disk) is one, and ends the session.
  const quint16 full = FreePort();
  QProcess disk;
  disk.start("bash", {"-c", "exec \"$0\" listen --port " + QString::number(full) + " --my JN18EU > /dev/full", Cli()});
  QVERIFY(disk.waitForStarted());
  WaitListening(full);
  QUdpSocket udp;
  udp.writeDatagram(Decode("CQ K1ABC FN42"), QHostAddress::LocalHost, full);
  QTRY_VERIFY_WITH_TIMEOUT(disk.state() == QProcess::NotRunning, 3000);
  QCOMPARE(disk.exitCode(), 1);
  // SIGUSR1 while a large log is still being read at the start does not end it.
  if (Windows()) return;
  const QString log = dir.filePath("big.adi");
  {
    QFile f(log);
    QVERIFY(f.open(QIODevice::WriteOnly));
    const QByteArray qso = "<CALL:5>K1ABC <GRIDSQUARE:4>FN42 <BAND:3>20m <EOR>\n";
    f.write("<EOH>\n" + qso.repeated(1000000));
  }
  const quint16 port = FreePort();
  QProcess cli;
  cli.start(Cli(), {"listen", "--port", QString::number(port), "--my", "JN18EU", "--log", log});
  QVERIFY(cli.waitForStarted());
  QTest::qWait(200);  // past the program's own start, into the reading
  for (int i = 0; i < 10; ++i, QTest::qWait(30)) Signal(cli, SIGUSR1);
  QByteArray said;
  // A million QSOs take 16 s to read under the sanitizers.
  QTRY_VERIFY2_WITH_TIMEOUT((said += cli.readAllStandardError()).contains("1,000,000 QSOs, 1 square on 1 band\n"),
                            said.constData(), 90000);
  QCOMPARE(cli.state(), QProcess::Running);
  Signal(cli, SIGTERM);
  QVERIFY(cli.waitForFinished(5000));
}

// QSOs the program logs count at once; new squares and watched calls are
// coloured in its band activity (and the colours taken back at the end),
// and run the operator's program with the decode in its environment.
void StationTest::talksBackToTheProgram() {
  QTemporaryDir dir;
  const QString log = dir.filePath("log.adi"), said = dir.filePath("said"), script = dir.filePath("alert.sh");
  { QFile f(log); f.open(QIODevice::WriteOnly);
    f.write("<EOH>\n<CALL:7>K1ABC/R <GRIDSQUARE:4>FN42 <BAND:3>20m <EOR><CALL:4>W1AW <GRIDSQUARE:4>FN31 <BAND:3>20m <EOR>\n"); }
  { QFile f(script); f.open(QIODevice::WriteOnly);
    f.write("#!/bin/sh\necho \"$MORVANE_CALL $MORVANE_LOCATOR $MORVANE_BAND $MORVANE_MARK $MORVANE_WATCHED\" >> " +
            said.toLocal8Bit() + "\nexit 1\n"); }
  QFile(script).setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
  Listen l({"--log", log, "--highlight", "--watch", "VK2XY,W1AW,G0ABC", "--exec", script});
  l.Send(Status("JN18EU"));
  l.Send(Message(5, [](QDataStream& out) {  // QSO Logged
    const QDateTime t(QDate(2026, 12, 8), QTime(14, 0), Qt::UTC);
    out << t << QByteArray("VE1ABC") << QByteArray("FN74") << quint64(14074500) << QByteArray("FT8") << QByteArray("-10")
        << QByteArray("-12") << QByteArray("100") << QByteArray() << QByteArray() << t << QByteArray() << QByteArray("G4XYZ")
        << QByteArray("JN18EU") << QByteArray() << QByteArray() << QByteArray();
  }));
  l.Send(Message(5, [](QDataStream& out) {  // worked through a satellite: not on 20 m itself
    const QDateTime t(QDate(2026, 12, 8), QTime(14, 1), Qt::UTC);
    out << t << QByteArray("K1ABC/R") << QByteArray("FN43") << quint64(14074500) << QByteArray("FT8") << QByteArray()
        << QByteArray() << QByteArray() << QByteArray() << QByteArray() << t << QByteArray() << QByteArray("G4XYZ")
        << QByteArray("JN18EU") << QByteArray() << QByteArray() << QByteArray("SAT");
  }));
  l.Send(Message(12, [](QDataStream& out) { out << QByteArray("<eoh><call:4>W9XY<gridsquare:4>EN52<band:3>20m<eor>"); }));
  for (const char* d : {"CQ K1ABC/R FN43", "CQ VE1ABC FN74", "CQ W9XY EN52", "CQ W1AW FN31"}) l.Send(Decode(d));
  QTRY_COMPARE_WITH_TIMEOUT(ReadAll(said).count('\n'), 2, 3000);
  QTest::qWait(300);
  QCOMPARE(l.End(), 0);
  const QString lines = l.p.readAllStandardOutput();
  // A program that failed is said. (Wine runs a Unix script outside its own
  // processes, and the Windows build never sees its status.)
  QVERIFY(Windows() || l.p.readAllStandardError().contains("alert.sh ended with status 1"));
  QCOMPARE(lines, QString("14:03:15\t20m\tFT8\t-12\tK1ABC/R\tFN43\t293\t5465\tkm\tnew square, call worked\n"
                          "14:03:15\t20m\tFT8\t-12\tVE1ABC\tFN74\t291\t4998\tkm\tworked\n"
                          "14:03:15\t20m\tFT8\t-12\tW9XY\tEN52\t302\t6701\tkm\tworked\n"
                          "14:03:15\t20m\tFT8\t-12\tW1AW\tFN31\t292\t5726\tkm\tworked\twatched\n"));
  QStringList alerted = QString(ReadAll(said)).split('\n');
  alerted.sort();  // the two programs ran at once
  QCOMPARE(alerted, QStringList({"", "K1ABC/R FN43 20m new square, call worked 0", "W1AW FN31 20m worked 1"}));
  QStringList highlights;
  while (l.udp.hasPendingDatagrams()) {
    const QByteArray bytes = l.udp.receiveDatagram().data();
    QDataStream in(bytes);
    in.setVersion(QDataStream::Qt_5_2);
    quint32 magic, schema, type;
    QByteArray id, call;
    QColor background, foreground;
    bool last;
    in >> magic >> schema >> type >> id >> call >> background >> foreground >> last;
    QCOMPARE(in.status(), QDataStream::Ok);
    QVERIFY(in.atEnd() && magic == 0xadbccbda && type == 13 && id == "WSJT-X");
    highlights << call + " " + (background.isValid() ? background.name() + " on " + foreground.name() : "none");
  }
  QCOMPARE(highlights, QStringList({"K1ABC/R #ffa500 on #000000", "W1AW #ff69b4 on #000000", "K1ABC/R none", "W1AW none"}));
}

// Only this machine's programs are heard unless --from names others; with
// --from, this machine's are still heard.
void StationTest::hearsThisMachineAndWhomFromNames() {
  // A second listen on a unicast port is told it is taken.
  Listen first({"--my", "JN18EU"});
  QProcess second;
  second.start(Cli(), {"listen", "--port", QString::number(first.port), "--my", "JN18EU"});
  QVERIFY(second.waitForFinished(30000));  // at once, but a loaded machine can take seconds to start it
  QCOMPARE(second.exitCode(), 1);
  QVERIFY(second.readAllStandardError().contains("is in use by another program"));
  first.End();

  QHostAddress other;
  for (const QHostAddress& a : QNetworkInterface::allAddresses())
    if (a.protocol() == QAbstractSocket::IPv4Protocol && !a.isLoopback()) other = a;
  if (other.isNull()) QSKIP("no IPv4 address besides loopback to send from");
  for (const bool named : {false, true}) {
    Listen l(named ? QStringList{"--my", "JN18EU", "--from", other.toString()} : QStringList{"--my", "JN18EU"});
    QUdpSocket lan;
    QVERIFY(lan.bind(other, 0));
    lan.writeDatagram(Decode("CQ K1ABC FN42"), other, l.port);
    l.Send(Decode("CQ W1AW FN31"));
    QTest::qWait(400);
    QCOMPARE(l.End(), 0);
    QCOMPARE(QString(l.p.readAllStandardOutput()).count('\n'), named ? 2 : 1);
    QVERIFY(QString(l.p.readAllStandardError()).contains(named ? "0 from other hosts" : "1 from other hosts"));
  }
}

// A rotator that was down is turned once it answers, and said so; an
// antenna already within the tolerance is not sent anywhere; turns are
// --settle seconds apart.
void StationTest::listenTurnsWhenTheRotatorIsBack() {
  const quint16 rotatorPort = FreePort();
  Listen l({"--settle", "0", "--rotate", "127.0.0.1:" + QString::number(rotatorPort)});
  l.Send(Status("JN18EU", "K1ABC", "FN42"));
  QByteArray e;
  QTRY_VERIFY2_WITH_TIMEOUT((e += l.p.readAllStandardError()).contains("cannot turn to 292"), e.constData(), 3000);
  QTcpServer fake;
  QStringList heard;
  ScriptedRotator(fake, heard, "1\n1\nmin_az=0\nmax_az=360\nmin_el=0\nmax_el=90\ndone\n",
                  [](int) { return QString("5.00"); }, rotatorPort);
  QTRY_VERIFY_WITH_TIMEOUT(heard.contains("P 292.00 0.00"), 9000);
  QTRY_VERIFY2_WITH_TIMEOUT((e += l.p.readAllStandardError()).contains("turning to 292 (K1ABC FN42, from 5, the rotator answers again)"),
                            e.constData(), 2000);
  l.End();
  QVERIFY2(!(e + l.p.readAllStandardError()).contains("already at"), e.constData());  // one thing said of one turn

  QTcpServer there;
  QStringList sent;
  ScriptedRotator(there, sent, "1\n1\nmin_az=0\nmax_az=360\nmin_el=0\nmax_el=90\ndone\n", [](int) { return QString("291.00"); });
  Listen turn({"--my", "JN18EU", "--settle", "1", "--turn", "K1ABC", "--rotate", "127.0.0.1:" + QString::number(there.serverPort())});
  QElapsedTimer took;
  took.start();
  turn.Send(Decode("CQ K1ABC FN42"));
  QTest::qWait(300);
  turn.Send(Status("JN18EU", "VK2XY", "QF56"));
  QTRY_VERIFY_WITH_TIMEOUT(sent.contains("P 68.00 0.00"), 5000);
  QVERIFY2(took.elapsed() > 950, qPrintable(QString::number(took.elapsed())));  // a second after the first look
  turn.End();
  QCOMPARE(sent.filter(QRegularExpression("^P ")), QStringList({"P 68.00 0.00"}));  // 291 is within 2 of 292
}

// The log at the start: what was read is said; what is not a log is refused by name.
void StationTest::listenSaysWhatTheLogHolds() {
  QTemporaryDir dir;
  const QString log = dir.filePath("log.adi"), csv = dir.filePath("log.csv");
  { QFile f(log); f.open(QIODevice::WriteOnly);
    f.write("<EOH><CALL:5>K1ABC <GRIDSQUARE:4>FN42 <BAND:3>20m <EOR><CALL:4>W1AW <GRIDSQUARE:4>FN31 <BAND:2>2m <EOR>"); }
  { QFile f(csv); f.open(QIODevice::WriteOnly); f.write("call,band\nK1ABC,20m\n"); }
  QProcess refused;
  refused.start(Cli(), {"listen", "--port", QString::number(FreePort()), "--my", "JN18EU", "--log", csv});
  QVERIFY(refused.waitForFinished(5000));
  QCOMPARE(refused.exitCode(), 1);
  QVERIFY(refused.readAllStandardError().contains(csv.toLocal8Bit() + ": not an ADIF log"));
  Listen l({"--my", "JN18EU", "--log", log});
  QFile::remove(log);
  QTest::qWait(2600);
  QCOMPARE(l.End(), 0);
  const QString said = l.p.readAllStandardError();
  QVERIFY2(said.startsWith("morvane-cli: " + log + ": 2 QSOs, 2 squares on 2 bands\n") &&
           said.count("No such file or directory") == 1, qPrintable(said));
}

QTEST_GUILESS_MAIN(StationTest)
#include "station_test.moc"
