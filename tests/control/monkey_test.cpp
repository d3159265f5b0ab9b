// Thousands of random user actions in random states: the program must never
// crash, never leave the state table, and keep the model sound after every
// period. Reproducible: VELMORA_MONKEY_SEED and VELMORA_MONKEY_STEPS choose
// the sequence and its length.
#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <array>
#include <memory>
#include <random>
#include <vector>

#include "display/radio_group.h"
#include "model/organisation.h"
#include "program_fixture.h"

using velmora::LevelCount;
using velmora::OrgFormSizes;
using velmora::TOrganisation;
using velmora::TotalPositions;
using velmora::testing::ClassifyState;
using velmora::testing::StateName;
using velmora::testing::TProgram;
using velmora::testing::TRunState;

namespace {

enum class TAction {
    Start,
    Stop,
    Go,
    End,
    CloseWindow,
    Tick,
    TickBurst,
    WaitForTimer,
    ChooseForm,
    ChooseBias,
    Key,
    EnterKey,
    ClickAnywhere,
    Scroll,
    Repaint,
    Count
};

// Rough shares of each action, in TAction order: enough ticks between the
// clicks that runs also reach their end.
constexpr int Weights[] = {3, 4, 6, 1, 1, 30, 3, 1, 5, 3, 10, 1, 10, 4, 3};
static_assert(std::size(Weights) == static_cast<std::size_t>(TAction::Count));

// Keys that move the focus, press buttons and move the scroll bar. Space is
// not typed into text fields, so the status word stays the program's own.
// Enter, which mostly ends the program, is an action of its own.
const Qt::Key Keys[] = {Qt::Key_Tab,      Qt::Key_Backtab, Qt::Key_Left, Qt::Key_Right,
                        Qt::Key_Up,       Qt::Key_Down,    Qt::Key_Home, Qt::Key_End,
                        Qt::Key_PageDown, Qt::Key_PageUp,  Qt::Key_Space};

int EnvInt(const char* name, int fallback) {
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok ? value : fallback;
}

// The state changes the tables allow; staying put is always allowed.
bool Allowed(TRunState from, TRunState to) {
    using S = TRunState;
    if (from == to) return true;
    switch (from) {
        case S::Idle:
            return to == S::Running || to == S::Stopped;
        case S::Running:
            return to == S::Stopped || to == S::Finished;
        case S::Stopped:
            return to == S::Running;
        case S::Finished:
            return to == S::Running || to == S::Stopped;
        case S::Outside:
            break;
    }
    return false;
}

// The invariants of the roster and the tally between periods.
void CheckModel(const TOrganisation& org, int runForm) {
    QCOMPARE(org.LevelSize, OrgFormSizes[static_cast<std::size_t>(runForm)]);
    std::vector<bool> seen(static_cast<std::size_t>(org.NextId) + 1, false);
    velmora::TPerLevel<std::int32_t> women{};
    int replaced = 0;
    int position = 1;
    for (int level = LevelCount; level >= 1; --level) {
        const int last = position + org.LevelSize[level] - 1;
        for (; position <= last; ++position) {
            const auto& member = org.Staff[position];
            QVERIFY(member.Occupied);
            QCOMPARE(int{member.Level}, level);
            QVERIFY(member.Id >= 1 && member.Id <= org.NextId);
            QVERIFY2(!seen[static_cast<std::size_t>(member.Id)], "an id held twice");
            seen[static_cast<std::size_t>(member.Id)] = true;
            if (position < last) QVERIFY(member.Score >= org.Staff[position + 1].Score);
            if (member.Female) ++women[level];
            if (member.Id > TotalPositions) ++replaced;
        }
    }
    QCOMPARE(women, org.FemaleCount);
    QCOMPARE(org.ReplacedCount, replaced);
    QCOMPARE(org.Finished, replaced == TotalPositions);
    QCOMPARE(org.ScoreDotX, org.PrevScoreDotX);
}

QString Describe(const velmora::TForm1& form) {
    const auto onOff = [](bool on) { return on ? QStringLiteral("on") : QStringLiteral("off"); };
    QWidget* focus = QApplication::focusWidget();
    return QStringLiteral("timer %1, Start %2, End %3, Go %4, status \"%5\", focus %6")
        .arg(onOff(form.Timer1->isActive()), onOff(form.BitBtn1->isEnabled()),
             onOff(form.BitBtn2->isEnabled()), onOff(form.GoButton->isEnabled()),
             form.Edit3->text(), focus != nullptr ? focus->objectName() : QString());
}

class MonkeyTest : public QObject {
    Q_OBJECT

  private slots:
    void randomUse();
};

void MonkeyTest::randomUse() {
    const auto seed = static_cast<std::uint32_t>(EnvInt("VELMORA_MONKEY_SEED", 4));
    const int steps = EnvInt("VELMORA_MONKEY_STEPS", 3000);
    qInfo("monkey seed %u, %d steps", seed, steps);
    std::mt19937 random(seed);
    auto below = [&random](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    std::discrete_distribution<int> pickAction(std::begin(Weights), std::end(Weights));

    auto program = std::make_unique<TProgram>(static_cast<std::uint32_t>(random()));
    TRunState state = TRunState::Idle;
    int runForm = -1;  // the form loaded by the latest "Start"
    int periods = 0;
    int restarts = 0;
    std::array<int, 4> visits{};  // steps ending in each state of the table
    int burst = 0;                // ticks still to come in a row

    for (int step = 0; step < steps; ++step) {
        auto& form = *program->Form;
        const TOrganisation& org = *program->Org;
        const int startsBefore = program->LogCount(QStringLiteral("Start of Job"));
        const int periodBefore = org.Period;
        const int replacedBefore = org.ReplacedCount;
        const bool goBefore = form.GoButton->isEnabled();
        const bool startBefore = form.BitBtn1->isEnabled();
        auto action = static_cast<TAction>(pickAction(random));
        if (burst > 0) {
            action = TAction::Tick;
            --burst;
        }
        const QByteArray where = QByteArray("step ") + QByteArray::number(step) + " in " +
                                 StateName(state) + ", action " +
                                 QByteArray::number(static_cast<int>(action));

        switch (action) {
            case TAction::Start:
                program->ClickStart();
                break;
            case TAction::Stop:
                program->ClickStop();
                break;
            case TAction::Go:
                program->ClickGo();
                break;
            case TAction::End:
                program->ClickEnd();
                break;
            case TAction::CloseWindow:
                form.close();
                break;
            case TAction::Tick:
                program->Tick();
                break;
            case TAction::TickBurst:
                burst = 10 + below(40);
                break;
            case TAction::WaitForTimer:
                QTest::qWait(60 + below(60));
                break;
            case TAction::ChooseForm:
                program->ChooseForm(below(2));
                break;
            case TAction::ChooseBias:
                program->ChooseBias(below(2));
                break;
            case TAction::Key:
            case TAction::EnterKey: {
                QWidget* target = QApplication::focusWidget();
                if (target == nullptr || target->window() != &form) target = &form;
                Qt::Key key = action == TAction::EnterKey
                                  ? (below(2) == 0 ? Qt::Key_Return : Qt::Key_Enter)
                                  : Keys[below(static_cast<int>(std::size(Keys)))];
                const bool typesText = qobject_cast<QLineEdit*>(target) != nullptr ||
                                       qobject_cast<QPlainTextEdit*>(target) != nullptr;
                if (key == Qt::Key_Space && typesText) key = Qt::Key_Tab;
                QTest::keyClick(target, key);
                break;
            }
            case TAction::ClickAnywhere: {
                const QPoint point(below(form.width()), below(form.height()));
                QWidget* target = form.childAt(point);
                if (target == nullptr) target = &form;
                QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFrom(&form, point));
                break;
            }
            case TAction::Scroll:
                form.ScrollBar1->setValue(below(101));
                break;
            case TAction::Repaint:
                switch (below(3)) {
                    case 0:
                        form.repaint();
                        break;
                    case 1:
                        form.resize(form.width() + below(41) - 20, form.height());
                        break;
                    default:
                        form.showMinimized();
                        form.showNormal();
                        break;
                }
                break;
            case TAction::Count:
                break;
        }
        // Keep the pause short; its length is measured elsewhere.
        if (form.ScrollBar1->value() < 99) form.ScrollBar1->setValue(99 + below(2));

        if (!form.isVisible()) {
            const bool byEnd = action != TAction::CloseWindow;
            QVERIFY2(!byEnd || state != TRunState::Running, where);
            QVERIFY2(!form.Timer1->isActive(), where);
            program = std::make_unique<TProgram>(static_cast<std::uint32_t>(random()));
            state = TRunState::Idle;
            burst = 0;
            runForm = -1;
            ++restarts;
            continue;
        }

        const TRunState now = ClassifyState(form, org);
        QVERIFY2(now != TRunState::Outside, where + ": " + Describe(form).toUtf8());
        QVERIFY2(Allowed(state, now), where + " to " + StateName(now));
        const bool started = program->LogCount(QStringLiteral("Start of Job")) > startsBefore;
        if (started) {
            QVERIFY2(startBefore, where);
            runForm = form.OrgForm->ItemIndex();
            QCOMPARE(org.Period, 0);
            QVERIFY(!form.GoButton->isEnabled());
        }
        switch (action) {
            case TAction::Stop:
                QCOMPARE(now, TRunState::Stopped);
                break;
            case TAction::Start:
                QCOMPARE(now, startBefore ? TRunState::Running : state);
                break;
            case TAction::Go:
                QCOMPARE(now, goBefore ? TRunState::Running : state);
                break;
            case TAction::Tick:
                QCOMPARE(org.Period, periodBefore + (state == TRunState::Running ? 1 : 0));
                break;
            default:
                break;
        }
        if (org.Period != periodBefore && !started) {
            QVERIFY2(org.Period > periodBefore, where);
            // Never falls within a run; a run's first period starts afresh.
            if (periodBefore > 0) QVERIFY2(org.ReplacedCount >= replacedBefore, where);
            CheckModel(org, runForm);
            QCOMPARE(form.Edit1->text(), QString::number(org.Period));
            QCOMPARE(form.Edit2->text(), QString::number(org.ReplacedCount));
            periods += org.Period - periodBefore;
        }
        if (QTest::currentTestFailed()) {
            qWarning("%s", where.constData());
            return;
        }
        state = now;
        ++visits[static_cast<std::size_t>(now)];
    }
    qInfo(
        "%d periods run, %d program restarts; steps ending idle %d, running %d, stopped %d, "
        "finished %d",
        periods, restarts, visits[0], visits[1], visits[2], visits[3]);
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    MonkeyTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "monkey_test.moc"
