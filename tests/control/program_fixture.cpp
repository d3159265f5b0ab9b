#include "program_fixture.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <utility>

#include "control/window_choices.h"
#include "display/radio_group.h"
#include "model/run.h"

namespace velmora::testing {

namespace {

void ClickItem(TRadioGroup* group, int index) {
    const auto items = group->findChildren<QRadioButton*>();
    QRadioButton* item = items.value(index);
    if (item != nullptr) QTest::mouseClick(item, Qt::LeftButton);
}

}  // namespace

TProgram::TProgram(std::uint32_t firstSeed, bool show, bool clockSeeds)
    : NextSeed(firstSeed), Org(std::make_unique<TOrganisation>()) {
    Form = std::make_unique<TForm1>(*Org);
    TRunController::TSeedSource seeds;
    if (!clockSeeds) seeds = [this] { return NextSeed++; };
    Controller = new TRunController(*Form, *Org, std::move(seeds));
    if (show) {
        Form->show();
        (void)QTest::qWaitForWindowExposed(Form.get());
    }
}

TProgram::~TProgram() = default;

void TProgram::ClickStart() { QTest::mouseClick(Form->BitBtn1, Qt::LeftButton); }
void TProgram::ClickStop() { QTest::mouseClick(Form->StopButton, Qt::LeftButton); }
void TProgram::ClickGo() { QTest::mouseClick(Form->GoButton, Qt::LeftButton); }
void TProgram::ClickEnd() { QTest::mouseClick(Form->BitBtn2, Qt::LeftButton); }
void TProgram::ChooseForm(int index) { ClickItem(Form->OrgForm, index); }
void TProgram::ChooseBias(int index) { ClickItem(Form->Discrimination, index); }

bool TProgram::Tick() {
    if (!Form->Timer1->isActive()) return false;
    Controller->timer1timer();
    return true;
}

bool TProgram::TickToEnd(int maxPeriods) {
    for (int i = 0; i < maxPeriods && Tick(); ++i) {
    }
    return !Form->Timer1->isActive() && Org->Finished;
}

QString TProgram::LastLogLine() const {
    const QStringList lines = Form->Memo1->toPlainText().split(u'\n', Qt::SkipEmptyParts);
    return lines.isEmpty() ? QString() : lines.last();
}

int TProgram::LogCount(const QString& line) const {
    return static_cast<int>(Form->Memo1->toPlainText().split(u'\n').count(line));
}

TTally TallyOf(const TOrganisation& org) {
    return {org.Period, org.FemaleCount, org.MeanScore, org.ReplacedCount, org.Finished};
}

void BeginWindowRun(TOrganisation& org, std::uint32_t seed, int formIndex, int biasIndex) {
    TParameters params;
    params.Bias = ChoiceBias(biasIndex, 0.0);
    BeginRun(org, seed, *FormShape(formIndex), params);
}

std::vector<TTally> ReferenceRun(std::uint32_t seed, int formIndex, int biasIndex) {
    auto org = std::make_unique<TOrganisation>();
    BeginWindowRun(*org, seed, formIndex, biasIndex);
    std::vector<TTally> tallies;
    RunToEnd(*org, 1000, [&tallies](const TOrganisation& o) { tallies.push_back(TallyOf(o)); });
    return tallies;
}

const char* StateName(TRunState state) {
    switch (state) {
        case TRunState::Idle:
            return "idle";
        case TRunState::Running:
            return "running";
        case TRunState::Stopped:
            return "stopped";
        case TRunState::Finished:
            return "finished";
        case TRunState::Outside:
            break;
    }
    return "outside the tables";
}

TRunState ClassifyState(const TForm1& form, const TOrganisation& org) {
    const bool timer = form.Timer1->isActive();
    const bool start = form.BitBtn1->isEnabled();
    const bool end = form.BitBtn2->isEnabled();
    const bool go = form.GoButton->isEnabled();
    const QString status = form.Edit3->text();
    if (!form.StopButton->isEnabled() || form.Timer1->interval() != 50) return TRunState::Outside;
    if (!timer && start && end && !go && status.isEmpty()) return TRunState::Idle;
    if (timer && !start && !end && status == u"simulating") return TRunState::Running;
    // "Start" disables "Go" and only "Stop" after a period enables it, so a
    // stopped run shows "Go" exactly when it has run a period.
    if (!timer && start && end && go == (org.Period > 0) && status == u"stop") {
        return TRunState::Stopped;
    }
    if (!timer && start && end && org.Finished && status == u"completed") {
        return TRunState::Finished;
    }
    return TRunState::Outside;
}

}  // namespace velmora::testing
