#include "control/run_controller.h"

#include <QEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <utility>

#include "control/busy_wait.h"
#include "control/window_choices.h"
#include "display/radio_group.h"
#include "display/tform1.h"
#include "model/organisation.h"
#include "model/random.h"
#include "model/run.h"

namespace velmora {

namespace {

constexpr int PeriodIntervalMs = 50;

}  // namespace

TRunController::TRunController(TForm1& form, TOrganisation& org, TSeedSource seedSource)
    : QObject(&form), Form1(form), Org(org), SeedSource(std::move(seedSource)) {
    connect(Form1.BitBtn1, &QPushButton::clicked, this, &TRunController::BitBtn1Click);
    connect(Form1.StopButton, &QPushButton::clicked, this, &TRunController::StopButtonClick);
    connect(Form1.GoButton, &QPushButton::clicked, this, &TRunController::GoButtonClick);
    connect(Form1.BitBtn2, &QPushButton::clicked, this, &TRunController::BitBtn2Click);
    connect(Form1.OrgForm, &TRadioGroup::ItemIndexChanged, this, &TRunController::OrgFormClick);
    connect(Form1.Timer1, &QTimer::timeout, this, &TRunController::timer1timer);
    Form1.installEventFilter(this);
    FormCreate();
}

void TRunController::FormCreate() {
    Form1.GoButton->setEnabled(false);
    DisableTimer();
    Form1.Timer1->setInterval(PeriodIntervalMs);
    // A coarse timer may fire up to 5% early; the next period must not start
    // sooner than a full interval after the last.
    Form1.Timer1->setTimerType(Qt::PreciseTimer);
    Form1.InitialScreen();
}

void TRunController::BitBtn1Click() {
    EnableTimer();
    Form1.BitBtn2->setEnabled(false);
    Form1.BitBtn1->setEnabled(false);
    Form1.GoButton->setEnabled(false);
    initialize();
    TForm1::ShowText(Form1.Edit3, QStringLiteral("simulating"));
}

void TRunController::initialize() {
    Form1.AppendLog(QStringLiteral("Start of Job"));
    Form1.ClearScoreMap();
    const std::uint32_t seed = SeedSource ? SeedSource() : SeedFromClock(Org.Random);
    SetupOrganisation(Form1.OrgForm->ItemIndex(), Form1.Discrimination->ItemIndex());
    // Seeds the stream, staffs and ranks the organisation; period 0, not finished.
    BeginRun(Org, seed, RunShape, RunParameters);
    RunSetUp = true;
}

void TRunController::SetupOrganisation(int formIndex, int biasIndex) {
    if (const TShape* shape = FormShape(formIndex)) RunShape = *shape;
    RunParameters.Bias = ChoiceBias(biasIndex, RunParameters.Bias);
}

void TRunController::StopButtonClick() {
    DisableTimer();
    Form1.BitBtn2->setEnabled(true);
    Form1.BitBtn1->setEnabled(true);
    if (Org.Period > 0) Form1.GoButton->setEnabled(true);
    TForm1::ShowText(Form1.Edit3, QStringLiteral("stop"));
}

void TRunController::GoButtonClick() {
    EnableTimer();
    Form1.BitBtn2->setEnabled(false);
    Form1.BitBtn1->setEnabled(false);
    TForm1::ShowText(Form1.Edit3, QStringLiteral("simulating"));
}

void TRunController::BitBtn2Click() { Form1.close(); }

void TRunController::OrgFormClick() {
    // Before the first run nothing reads the level table, so the choice may
    // load it at once. A run keeps the table its roster was built for until
    // the next "Start" loads the form selected then; otherwise the tally
    // would divide by sizes of the other form.
    if (const TShape* shape = FormShape(Form1.OrgForm->ItemIndex()); shape && !RunSetUp) {
        SetShape(Org, *shape);
    }
    Form1.DrawOrgMap();
}

void TRunController::timer1timer() { SimOnePeriod(); }

void TRunController::SimOnePeriod() {
    DisableTimer();
    AdvancePeriod();
    MoveAndTally(Org);  // departures, promotions, hiring, tally
    TForm1::ShowText(Form1.Edit2, QString::number(Org.ReplacedCount));
    Form1.ShowResults();
    Delay();
    EnableTimer();
    if (Org.Finished) FinishRun();
}

void TRunController::AdvancePeriod() {
    ++Org.Period;
    TForm1::ShowText(Form1.Edit1, QString::number(Org.Period));
}

void TRunController::Delay() { BusyWait(PauseUnits(Form1.ScrollBar1->value())); }

void TRunController::FinishRun() {
    DisableTimer();
    Form1.BitBtn2->setEnabled(true);
    Form1.BitBtn1->setEnabled(true);
    TForm1::ShowText(Form1.Edit3, QStringLiteral("completed"));
    Form1.AppendLog(QStringLiteral("Normal End of Job"));
}

void TRunController::EnableTimer() {
    if (!Form1.Timer1->isActive()) Form1.Timer1->start();
}

void TRunController::DisableTimer() { Form1.Timer1->stop(); }

bool TRunController::eventFilter(QObject* watched, QEvent* event) {
    // The program ends with its window; no period may run after that.
    if (watched == &Form1 && event->type() == QEvent::Close) DisableTimer();
    return QObject::eventFilter(watched, event);
}

}  // namespace velmora
