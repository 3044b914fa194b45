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

#include <memory>

#include <csignal>

namespace {

QString Cli() { return qEnvironmentVariable("MORVANE_CLI", "morvane-cli"); }

// A signal to a program still running (never to pid 0: this whole group).
void Signal(const QProcess& p, int signal) {
  if (p.processId() > 0) ::kill(static_cast<pid_t>(p.processId()), signal);
}

// A free TCP or UDP port on 127.0.0.1.
quint16 FreePort() {
  QTcpServer s;
  s.listen(QHostAddress::LocalHost, 0);
  return s.serverPort();
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

}  // namespace

class StationTest : public QObject {
  Q_OBJECT

 private slots:
  void listenAnswersDecodesThatCarryALocator() {
    const quint16 port = FreePort();
    QProcess cli;
    cli.start(Cli(), {"listen", "--port", QString::number(port), "--my", "JN18EU"});
    QVERIFY(cli.waitForStarted());
    QTest::qWait(300);
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
    QTest::qWait(500);
    Signal(cli, SIGTERM);
    QVERIFY(cli.waitForFinished(5000));
    QCOMPARE(cli.exitCode(), 0);
    // No Status came: no band; the mode from the decode's own mark.
    QCOMPARE(QString(cli.readAllStandardOutput()),
             QString("14:03:15\t-\tFT8\t-12\tK1ABC\tFN42\t292\t5527\tkm\n00:00:59\t-\tFT8\t-12\tW1AW/P\tFN31\t292\t5726\tkm\n"
                     "14:03:15\t-\tFT8\t-12\tF5ABC\tJN18EU\t0\t0\tkm\n14:03:15\t-\tFT8\t-12\tK1ABC\tFN42\t292\t5527\tkm\n"
                     "14:03:15\t-\tFT8\t-12\tK1ABC\tFN42\t292\t5527\tkm\n"));
    QCOMPARE(QString(cli.readAllStandardError()).trimmed().split('\n').last(),
             QString("morvane-cli: 8 decodes, 5 with a locator, 3 malformed, 1 replayed (not shown), 0 from other "
                     "hosts (ignored), 0 lost for want of room"));
  }

  void listenTakesItsBaseFromStatusAndAnswersAtOnce() {
    const quint16 port = FreePort();
    QProcess cli;
    cli.start(Cli(), {"listen", "--port", QString::number(port), "--json"});
    QVERIFY(cli.waitForStarted());
    QTest::qWait(300);
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
                       const std::function<QString(int)>& position) {
    QVERIFY(fake.listen(QHostAddress::LocalHost, 0));
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
    QCOMPARE(once.first, 130);
    QVERIFY2(once.second.contains("stop sent, no answer from the rotator"), qPrintable(once.second));
    took.restart();
    const auto twice = RotateAgainst(fake, {"--azimuth", "90"}, 700, 200);
    QVERIFY2(took.elapsed() < 700 + 200 + 800, qPrintable(QString::number(took.elapsed())));
    QCOMPARE(twice.first, 130);
    QProcess cli;
    cli.start(Cli(), {"rotate", "--rotator", "127.0.0.1:" + QString::number(fake.serverPort()), "--azimuth", "90"});
    QTest::qWait(700);
    Signal(cli, SIGTERM);
    QVERIFY(cli.waitForFinished(5000));
    QCOMPARE(cli.exitCode(), 143);
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
    QCOMPARE(cli.exitCode(), 130);
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
    QTest::qWait(300);
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
    QTest::qWait(300);
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
    Signal(cli, SIGUSR1);
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(csv), 3000);
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
    QTest::qWait(300);
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
    QTest::qWait(300);
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
    QTest::qWait(300);
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

QTEST_GUILESS_MAIN(StationTest)
#include "station_test.moc"
