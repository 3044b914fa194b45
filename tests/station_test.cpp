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

#include <csignal>

namespace {

QString Cli() { return qEnvironmentVariable("MORVANE_CLI", "morvane-cli"); }

// A free TCP or UDP port on 127.0.0.1.
quint16 FreePort() {
  QTcpServer s;
  s.listen(QHostAddress::LocalHost, 0);
  return s.serverPort();
}

QByteArray Message(quint32 type, const std::function<void(QDataStream&)>& body, quint32 schema = 3) {
  QByteArray bytes;
  QDataStream out(&bytes, QIODevice::WriteOnly);
  out.setVersion(QDataStream::Qt_5_4);
  out << quint32(0xadbccbda) << schema << type << QByteArray("WSJT-X");
  body(out);
  return bytes;
}

QByteArray Decode(const QString& text, QTime time = QTime(14, 3, 15), quint32 schema = 3) {
  return Message(2, [&](QDataStream& out) {
    out << true << time << qint32(-12) << 0.2 << quint32(1234) << QByteArray("~") << text.toUtf8() << false << false;
  }, schema);
}

QByteArray Status(const QByteArray& deGrid, const QByteArray& dxCall = "", const QByteArray& dxGrid = "") {
  return Message(1, [&](QDataStream& out) {
    out << quint64(14074000) << QByteArray("FT8") << dxCall << QByteArray("-10") << QByteArray("FT8") << false << false
        << true << quint32(1500) << quint32(1500) << QByteArray("G4XYZ") << deGrid << dxGrid << false << QByteArray()
        << false << quint8(0) << quint32(0) << quint32(15) << QByteArray("Default") << QByteArray();
  });
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
    const QByteArray whole = Decode("CQ K1ABC FN42");
    send(whole.left(whole.size() - 3));       // cut short
    send("not a message at all");
    QTest::qWait(500);
    ::kill(static_cast<pid_t>(cli.processId()), SIGTERM);
    QVERIFY(cli.waitForFinished(5000));
    QCOMPARE(cli.exitCode(), 0);
    QCOMPARE(QString(cli.readAllStandardOutput()),
             QString("14:03:15\tK1ABC\tFN42\t292\t5527\tkm\n00:00:59\tW1AW/P\tFN31\t292\t5726\tkm\n"
                     "14:03:15\tF5ABC\tJN18EU\t0\t0\tkm\n"));
    QCOMPARE(QString(cli.readAllStandardError()).trimmed(),
             QString("morvane-cli: 5 decodes, 3 with a locator, 2 malformed"));
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
             QString("{\"time\": \"14:03:15\", \"call\": \"K1ABC\", \"locator\": \"FN42\", \"snr\": -12, "
                     "\"azimuth\": 292, \"distance\": 5527, \"unit\": \"km\"}"));
    ::kill(static_cast<pid_t>(cli.processId()), SIGINT);
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
    QCOMPARE(run({"--no-wait", "--azimuth", "270"}), (QPair<int, QString>(0, "turning to 270 (from 10)")));
    QCOMPARE(run({"--no-wait", "--long", "JN18EU", "FN20XR"}).first, 0);
    // Where the dummy reads about -90 after that shorter turn, the bearing shown is about 270.
    QVERIFY(run({"--azimuth", "270"}).second.startsWith("rotated to 270 (from "));
    // (within a degree or so of it: the dummy stops once it is close enough)
    const QString back = run({"--no-wait", "--azimuth", "10"}).second;
    QVERIFY2(QRegularExpression("^turning to 10 \\(from 2(69|70|71)\\)$").match(back).hasMatch(), qPrintable(back));
    rotctld.kill();
    rotctld.waitForFinished();
    const auto refused = run({"--azimuth", "10"});
    QCOMPARE(refused.first, 1);
    QVERIFY2(refused.second.endsWith(": connection refused; start rotctld"), qPrintable(refused.second));
  }

  // A rotator that never moves, and every line it was sent.
  void StuckRotator(QTcpServer& fake, QStringList& heard) {
    QVERIFY(fake.listen(QHostAddress::LocalHost, 0));
    QObject::connect(&fake, &QTcpServer::newConnection, [&] {
      QTcpSocket* s = fake.nextPendingConnection();
      QObject::connect(s, &QTcpSocket::readyRead, [s, &heard] {
        while (s->canReadLine()) {
          const QString line = QString(s->readLine()).trimmed();
          heard << line;
          if (line == "\\dump_state") s->write("1\n1\nmin_az=0\nmax_az=360\nmin_el=0\nmax_el=90\ndone\n");
          else if (line == "p") s->write("5.00\n0.00\n");
          else s->write("RPRT 0\n");
        }
      });
    });
  }

  void ctrlCStopsTheRotatorBeforeLeaving() {
    QTcpServer fake;
    QStringList heard;
    StuckRotator(fake, heard);
    QProcess cli;
    cli.start(Cli(), {"rotate", "--rotator", "127.0.0.1:" + QString::number(fake.serverPort()), "--azimuth", "90"});
    QTRY_VERIFY_WITH_TIMEOUT(heard.contains("P 90.00 0.00"), 5000);
    ::kill(static_cast<pid_t>(cli.processId()), SIGINT);
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
    QTRY_VERIFY_WITH_TIMEOUT(heard.contains("P 292.00 0.00"), 5000);
    ::kill(static_cast<pid_t>(cli.processId()), SIGTERM);
    QVERIFY(cli.waitForFinished(5000));
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
             QString("morvane-cli: the rotator stopped at 5, short of 90 (no movement for 1 s)"));
    QVERIFY(heard.contains("S"));
    QVERIFY(heard.contains("P 90.00 0.00"));
  }
};

QTEST_GUILESS_MAIN(StationTest)
#include "station_test.moc"
