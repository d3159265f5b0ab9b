// Drives the real window with clicks on the offscreen platform: the states and
// transitions of a run, whole runs with the real timer, and the organisation
// form chosen during a run.
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <vector>

#include "control/window_choices.h"
#include "display/radio_group.h"
#include "model/run.h"
#include "program_fixture.h"

using velmora::OrgFormSizes;
using velmora::TOrganisation;
using velmora::testing::BeginWindowRun;
using velmora::testing::ClassifyState;
using velmora::testing::ReferenceRun;
using velmora::testing::StateName;
using velmora::testing::TallyOf;
using velmora::testing::TProgram;
using velmora::testing::TRunState;
using velmora::testing::TTally;

Q_DECLARE_METATYPE(TRunState)

namespace {

// Plays a script of user events: B "Start", S "Stop", G "Go", E "End",
// O the other organisation form, T one timer tick, F ticks to the end.
void Play(TProgram& program, const QString& events) {
    for (const QString& event : events.split(u' ', Qt::SkipEmptyParts)) {
        if (event == u"B") program.ClickStart();
        if (event == u"S") program.ClickStop();
        if (event == u"G") program.ClickGo();
        if (event == u"E") program.ClickEnd();
        if (event == u"O") program.ChooseForm(1 - program.Form->OrgForm->ItemIndex());
        if (event == u"T") QVERIFY2(program.Tick(), "a tick while the timer is off");
        if (event == u"F") QVERIFY(program.TickToEnd());
    }
}

}  // namespace

class RunControllerTest : public QObject {
    Q_OBJECT

  private slots:
    void startUp();
    void transitions_data();
    void transitions();
    void goWhileRunningKeepsTheTimerCount();
    void startUsesTheSelectionsOfThatMoment_data();
    void startUsesTheSelectionsOfThatMoment();
    void eachRunKeepsItsClockSeed();
    void choicesOutsideTheItemsChangeNothing();
    void wholeRunWithTheTimer();
    void resumedRunAndGoAfterTheEnd();
    void formChoiceDuringARunLeavesTheRunAlone();
    void closingEndsTheProgram_data();
    void closingEndsTheProgram();
};

void RunControllerTest::startUp() {
    TProgram program;
    const auto& form = *program.Form;
    QCOMPARE(ClassifyState(form, *program.Org), TRunState::Idle);
    QVERIFY(!form.GoButton->isEnabled());
    QVERIFY(form.BitBtn1->isEnabled() && form.BitBtn2->isEnabled());
    QVERIFY(form.StopButton->isEnabled());
    QVERIFY(!form.Timer1->isActive());
    QCOMPARE(form.Timer1->interval(), 50);
    QCOMPARE(form.Timer1->timerType(), Qt::PreciseTimer);
    QVERIFY(form.Edit1->text().isEmpty());
    QVERIFY(form.Edit2->text().isEmpty());
    QVERIFY(form.Edit3->text().isEmpty());
    QVERIFY(form.Memo1->toPlainText().isEmpty());
    QCOMPARE(form.ScrollBar1->value(), 50);
    // Idle: no tick can arrive.
    QTest::qWait(120);
    QCOMPARE(program.Org->Period, 0);
}

void RunControllerTest::transitions_data() {
    QTest::addColumn<QString>("events");
    QTest::addColumn<TRunState>("state");
    QTest::addColumn<bool>("go");
    QTest::addColumn<int>("period");  // -1: the run's natural last period
    QTest::addColumn<int>("starts");  // "Start of Job" lines
    QTest::addColumn<int>("ends");    // "Normal End of Job" lines

    using S = TRunState;
    QTest::newRow("start-up") << "" << S::Idle << false << 0 << 0 << 0;
    QTest::newRow("Stop before any run") << "S" << S::Stopped << false << 0 << 0 << 0;
    QTest::newRow("Go disabled before any run") << "S G" << S::Stopped << false << 0 << 0 << 0;
    QTest::newRow("Start") << "B" << S::Running << false << 0 << 1 << 0;
    QTest::newRow("Start and End disabled while running")
        << "B T B E" << S::Running << false << 1 << 1 << 0;
    QTest::newRow("Stop right after Start") << "B S" << S::Stopped << false << 0 << 1 << 0;
    QTest::newRow("no Go after an early Stop") << "B S G" << S::Stopped << false << 0 << 1 << 0;
    QTest::newRow("first period") << "B T" << S::Running << false << 1 << 1 << 0;
    QTest::newRow("Stop between periods") << "B T T S" << S::Stopped << true << 2 << 1 << 0;
    QTest::newRow("Stop twice") << "B T S S" << S::Stopped << true << 1 << 1 << 0;
    QTest::newRow("Go resumes") << "B T T S G" << S::Running << true << 2 << 1 << 0;
    QTest::newRow("numbering across Stop and Go")
        << "B T S G T S G T" << S::Running << true << 3 << 1 << 0;
    QTest::newRow("Go while running with Go enabled")
        << "B T S G G T" << S::Running << true << 2 << 1 << 0;
    QTest::newRow("Start after Stop begins afresh")
        << "B T T S B" << S::Running << false << 0 << 2 << 0;
    QTest::newRow("new run counts from 1") << "B T T S B T" << S::Running << false << 1 << 2 << 0;
    QTest::newRow("form choice while idle") << "O" << S::Idle << false << 0 << 0 << 0;
    QTest::newRow("form choice while running") << "B T O T" << S::Running << false << 2 << 1 << 0;
    QTest::newRow("form choice while stopped") << "B T S O" << S::Stopped << true << 1 << 1 << 0;
    QTest::newRow("natural end") << "B F" << S::Finished << false << -1 << 1 << 1;
    QTest::newRow("form choice when finished") << "B F O" << S::Finished << false << -1 << 1 << 1;
    QTest::newRow("Go disabled after a plain run")
        << "B F G" << S::Finished << false << -1 << 1 << 1;
    QTest::newRow("Stop when finished") << "B F S" << S::Stopped << true << -1 << 1 << 1;
    QTest::newRow("Start after the end") << "B F B" << S::Running << false << 0 << 2 << 1;
    QTest::newRow("Start after the end, then End")
        << "B F B E" << S::Running << false << 0 << 2 << 1;
}

void RunControllerTest::transitions() {
    QFETCH(QString, events);
    QFETCH(TRunState, state);
    QFETCH(bool, go);
    QFETCH(int, period);
    QFETCH(int, starts);
    QFETCH(int, ends);

    TProgram program;
    program.Form->ScrollBar1->setValue(100);
    const std::uint32_t firstSeed = program.NextSeed;
    Play(program, events);

    if (period < 0) period = static_cast<int>(ReferenceRun(firstSeed, 0, 1).size());
    const auto& form = *program.Form;
    QVERIFY(form.isVisible());
    QCOMPARE(StateName(ClassifyState(form, *program.Org)), StateName(state));
    QCOMPARE(form.GoButton->isEnabled(), go);
    QCOMPARE(program.Org->Period, period);
    QCOMPARE(program.LogCount(QStringLiteral("Start of Job")), starts);
    QCOMPARE(program.LogCount(QStringLiteral("Normal End of Job")), ends);
    // Edit1 shows the last period run; a new run leaves it until its first period.
    if (events.contains(u'T') || events.contains(u'F')) {
        QVERIFY(!form.Edit1->text().isEmpty());
        if (period > 0) QCOMPARE(form.Edit1->text(), QString::number(period));
        QCOMPARE(form.Edit2->text(), QString::number(program.Org->ReplacedCount));
    } else {
        QVERIFY(form.Edit1->text().isEmpty());
        QVERIFY(form.Edit2->text().isEmpty());
    }
}

void RunControllerTest::goWhileRunningKeepsTheTimerCount() {
    TProgram program;
    program.Form->ScrollBar1->setValue(100);
    Play(program, QStringLiteral("B T S G"));
    // Let at least 30 ms of the 50 ms count pass without handling the tick.
    QThread::msleep(30);
    program.ClickGo();
    // A restarted count would have the whole interval still to go.
    QVERIFY2(program.Form->Timer1->remainingTime() < 45,
             qPrintable(QString::number(program.Form->Timer1->remainingTime())));
    QCOMPARE(program.Form->Edit3->text(), QStringLiteral("simulating"));
}

void RunControllerTest::startUsesTheSelectionsOfThatMoment_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("form");
    QTest::addColumn<int>("bias");
    QTest::addColumn<double>("expectedBias");

    QTest::newRow("idle, Pyramid, 5%") << "" << 0 << 1 << 4.58;
    QTest::newRow("idle, Rectangle, 1%") << "" << 1 << 0 << 2.01;
    QTest::newRow("stopped, Rectangle, 5%") << "B T T S" << 1 << 1 << 4.58;
    QTest::newRow("stopped, Pyramid, 1%") << "O B T S" << 0 << 0 << 2.01;
    QTest::newRow("running, then stopped, Rectangle, 1%") << "B T" << 1 << 0 << 2.01;
    QTest::newRow("finished, Rectangle, 1%") << "B F" << 1 << 0 << 2.01;
}

void RunControllerTest::startUsesTheSelectionsOfThatMoment() {
    QFETCH(QString, before);
    QFETCH(int, form);
    QFETCH(int, bias);
    QFETCH(double, expectedBias);

    TProgram program;
    program.Form->ScrollBar1->setValue(100);
    Play(program, before);
    program.ChooseForm(form);
    program.ChooseBias(bias);
    if (program.Form->Timer1->isActive()) program.ClickStop();
    const std::uint32_t seed = program.NextSeed;
    program.ClickStart();

    const TOrganisation& org = *program.Org;
    QCOMPARE(org.LevelSize, OrgFormSizes[static_cast<std::size_t>(form)]);
    QCOMPARE(org.Bias, expectedBias);
    QCOMPARE(org.Period, 0);
    QVERIFY(!org.Finished);
    QCOMPARE(org.Seed, seed);
    QCOMPARE(program.LastLogLine(), QStringLiteral("Start of Job"));
    QCOMPARE(ClassifyState(*program.Form, org), TRunState::Running);
    // The new run is the model's run of that seed and those selections.
    QVERIFY(program.Tick());
    QCOMPARE(TallyOf(org), ReferenceRun(seed, form, bias).front());
}

void RunControllerTest::choicesOutsideTheItemsChangeNothing() {
    QCOMPARE(velmora::ChoiceBias(0, 9.0), 2.01);
    QCOMPARE(velmora::ChoiceBias(1, 9.0), 4.58);
    QCOMPARE(velmora::ChoiceBias(7, 4.58), 4.58);
    QVERIFY(velmora::FormShape(2) == nullptr);
    QCOMPARE(velmora::FormShape(1)->Sizes, OrgFormSizes[1]);
}

void RunControllerTest::eachRunKeepsItsClockSeed() {
    TProgram program(0, true, /*clockSeeds=*/true);
    program.Form->ScrollBar1->setValue(100);
    for (int run = 0; run < 2; ++run) {
        program.ClickStart();
        QVERIFY(program.Tick());
        const TOrganisation& org = *program.Org;
        // The kept seed repeats the run exactly.
        auto replay = std::make_unique<TOrganisation>();
        BeginWindowRun(*replay, org.Seed, 0, 1);
        velmora::RunPeriod(*replay);
        QVERIFY(replay->Staff == org.Staff);
        QCOMPARE(replay->NextId, org.NextId);
        program.ClickStop();
    }
}

void RunControllerTest::wholeRunWithTheTimer() {
    TProgram program;
    auto& form = *program.Form;
    const TOrganisation& org = *program.Org;
    form.ScrollBar1->setValue(100);

    // Connected ahead of and after the controller's handler: see each period
    // from outside, at its start and its end.
    QElapsedTimer clock;
    clock.start();
    std::vector<qint64> periodStarts;
    std::vector<qint64> periodEnds;
    std::vector<TTally> tallies;
    bool timerOnInPeriod = false;
    QObject probe;
    connect(form.Edit1, &QLineEdit::textChanged, &probe, [&] {
        timerOnInPeriod = timerOnInPeriod || form.Timer1->isActive();
        periodStarts.push_back(clock.nsecsElapsed());
    });
    connect(form.Timer1, &QTimer::timeout, &probe, [&] {
        periodEnds.push_back(clock.nsecsElapsed());
        tallies.push_back(TallyOf(org));
    });

    const std::uint32_t seed = program.NextSeed;
    program.ClickStart();
    QCOMPARE(form.Edit3->text(), QStringLiteral("simulating"));
    QTRY_COMPARE_WITH_TIMEOUT(form.Edit3->text(), QStringLiteral("completed"), 60000);

    const std::vector<TTally> reference = ReferenceRun(seed, 0, 1);
    QCOMPARE(tallies.size(), reference.size());
    QVERIFY(tallies == reference);
    QVERIFY2(!timerOnInPeriod, "the timer ran during a period");
    for (std::size_t i = 1; i < periodStarts.size(); ++i) {
        const qint64 gapNs = periodStarts[i] - periodEnds[i - 1];
        QVERIFY2(gapNs >= 49'500'000, qPrintable(QString::number(gapNs / 1e6) + " ms"));
    }

    QCOMPARE(ClassifyState(form, org), TRunState::Finished);
    QVERIFY(!form.Timer1->isActive());
    QVERIFY(form.BitBtn1->isEnabled() && form.BitBtn2->isEnabled());
    QVERIFY(!form.GoButton->isEnabled());
    QCOMPARE(form.Edit1->text(), QString::number(reference.back().Period));
    QCOMPARE(form.Edit2->text(), QStringLiteral("1424"));
    QCOMPARE(program.LastLogLine(), QStringLiteral("Normal End of Job"));
    QCOMPARE(form.Memo1->toPlainText().split(u'\n').first(), QStringLiteral("Start of Job"));
    // Finished for good: no tick follows.
    QTest::qWait(150);
    QCOMPARE(org.Period, reference.back().Period);
}

void RunControllerTest::resumedRunAndGoAfterTheEnd() {
    TProgram program;
    auto& form = *program.Form;
    const TOrganisation& org = *program.Org;
    form.ScrollBar1->setValue(100);

    program.ClickStart();
    QTRY_VERIFY(org.Period >= 2);
    program.ClickStop();
    const int stoppedAt = org.Period;
    QTest::qWait(120);
    QCOMPARE(org.Period, stoppedAt);
    QCOMPARE(form.Edit1->text(), QString::number(stoppedAt));
    program.ClickGo();
    QTRY_COMPARE(org.Period, stoppedAt + 1);
    QTRY_COMPARE_WITH_TIMEOUT(form.Edit3->text(), QStringLiteral("completed"), 60000);
    const int last = org.Period;

    // "Go" never disables itself: it stays enabled after the end.
    QVERIFY(form.GoButton->isEnabled());
    QCOMPARE(ClassifyState(form, org), TRunState::Finished);

    // One more period on the finished organisation, then finished again.
    program.ClickGo();
    QCOMPARE(form.Edit3->text(), QStringLiteral("simulating"));
    QTRY_COMPARE(form.Edit3->text(), QStringLiteral("completed"));
    QTest::qWait(120);
    QCOMPARE(org.Period, last + 1);
    QCOMPARE(form.Edit1->text(), QString::number(last + 1));
    QCOMPARE(form.Edit2->text(), QStringLiteral("1424"));
    QCOMPARE(program.LogCount(QStringLiteral("Normal End of Job")), 2);
    QCOMPARE(ClassifyState(form, org), TRunState::Finished);

    // Only "Start" disables "Go" again.
    program.ClickStart();
    QVERIFY(!form.GoButton->isEnabled());
    QCOMPARE(org.Period, 0);
    program.ClickStop();
}

void RunControllerTest::formChoiceDuringARunLeavesTheRunAlone() {
    TProgram program;
    auto& form = *program.Form;
    const TOrganisation& org = *program.Org;
    form.ScrollBar1->setValue(100);
    const std::uint32_t seed = program.NextSeed;
    program.ChooseBias(0);
    program.ClickStart();

    std::vector<TTally> tallies;
    while (program.Tick()) {
        tallies.push_back(TallyOf(org));
        // Back and forth while running, and a pick while stopped.
        if (org.Period == 3) program.ChooseForm(1);
        if (org.Period == 7) program.ChooseForm(0);
        if (org.Period == 8) program.ChooseForm(1);
        if (org.Period == 12) {
            program.ClickStop();
            program.ChooseForm(0);
            program.ChooseForm(1);
            program.ClickGo();
        }
        QCOMPARE(org.LevelSize, OrgFormSizes[0]);
        for (int level = 1; level <= velmora::LevelCount; ++level) {
            QVERIFY(org.FemaleCount[level] <= org.LevelSize[level]);
        }
    }
    QVERIFY(tallies == ReferenceRun(seed, 0, 0));
    QCOMPARE(ClassifyState(form, org), TRunState::Finished);

    // The form chosen last is the next run's.
    QCOMPARE(form.OrgForm->ItemIndex(), 1);
    program.ClickStart();
    QCOMPARE(org.LevelSize, OrgFormSizes[1]);
    program.ClickStop();
}

void RunControllerTest::closingEndsTheProgram_data() {
    QTest::addColumn<QString>("events");
    QTest::addColumn<bool>("byEnd");  // else through the window system

    QTest::newRow("End when idle") << "" << true;
    QTest::newRow("End when stopped") << "B T S" << true;
    QTest::newRow("End when stopped before a period") << "B S" << true;
    QTest::newRow("End when finished") << "B F" << true;
    QTest::newRow("closed when idle") << "" << false;
    QTest::newRow("closed while running") << "B T" << false;
    QTest::newRow("closed right after Start") << "B" << false;
    QTest::newRow("closed when finished") << "B F" << false;
}

void RunControllerTest::closingEndsTheProgram() {
    QFETCH(QString, events);
    QFETCH(bool, byEnd);

    TProgram program;
    program.Form->ScrollBar1->setValue(100);
    Play(program, events);

    // As in the program: the event loop runs until its one window closes.
    QApplication::setQuitOnLastWindowClosed(true);
    QTimer::singleShot(byEnd ? 0 : 120, program.Form.get(), [&program, byEnd] {
        if (byEnd) {
            program.ClickEnd();
        } else {
            program.Form->close();
        }
    });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    connect(&watchdog, &QTimer::timeout, qApp, [] { QCoreApplication::exit(1); });
    watchdog.start(10000);
    const int exitCode = QApplication::exec();
    watchdog.stop();
    QApplication::setQuitOnLastWindowClosed(false);

    QCOMPARE(exitCode, 0);
    QVERIFY(!program.Form->isVisible());
    QVERIFY(!program.Form->Timer1->isActive());
    const int period = program.Org->Period;
    QTest::qWait(120);
    QCOMPARE(program.Org->Period, period);
}

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // The tests open and close many windows; the program proper quits with its one.
    QApplication::setQuitOnLastWindowClosed(false);
    RunControllerTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "run_controller_test.moc"
