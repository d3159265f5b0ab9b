#include "display/tform1.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>

#include "display/chart_area.h"
#include "display/colours.h"
#include "display/fonts.h"
#include "display/glyphs.h"
#include "display/look.h"
#include "display/panel.h"
#include "display/radio_group.h"

namespace velmora {

namespace {

// The client area never shrinks below what holds every control.
constexpr int MinimumClientWidth = 594;
constexpr int MinimumClientHeight = 513;

QLabel* MakeLabel(const QString& text, QWidget* parent, const char* name, int left, int top,
                  int width, int height) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    // As large as the caption in its font, but never smaller than the
    // designed size, so that a wider stand-in font never clips it.
    const QSize fit = label->sizeHint();
    Place(label, name, left, top, std::max(width, fit.width()), std::max(height, fit.height()));
    return label;
}

QPushButton* MakeButton(const QString& text, QWidget* parent, const char* name, int left, int top,
                        int width, int height) {
    auto* button = new QPushButton(text, parent);
    // Enter on a focused button presses it, as in a dialog.
    button->setAutoDefault(true);
    Place(button, name, left, top, width, height);
    return button;
}

QLineEdit* MakeEdit(QWidget* parent, const char* name, int left, int top, int width, int height) {
    auto* edit = new QLineEdit(parent);
    Place(edit, name, left, top, width, height);
    return edit;
}

}  // namespace

TForm1::TForm1(TOrganisation& org, QWidget* parent) : QWidget(parent), Org(org) {
    InstallFontSubstitutions();
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Velmora"));
    setFont(DialogFont());
    SetFace(this, BtnFace);
    move(167, 112);
    // Until the window manager reports its frame, the client takes the whole
    // outer size; FitOuterSize subtracts the frame once it is known.
    resize(OuterWidth, OuterHeight);
    CreateControls();
    SetTabOrder();
    BitBtn1->setFocus();
}

TForm1::~TForm1() = default;

void TForm1::CreateControls() {
    // Creation order is stacking order: later controls lie on top.
    OrgMap = new TChartArea(BtnFace, this);
    Place(OrgMap, "OrgMap", 59, 82, 250, 200);
    ScoreMap = new TChartArea(BtnFace, this);
    Place(ScoreMap, "ScoreMap", 336, 298, 250, 200);
    MFMap = new TChartArea(BtnFace, this);
    Place(MFMap, "MFMap", 336, 82, 250, 200);
    OrgMap->setAccessibleName(QStringLiteral("Organization Form"));
    ScoreMap->setAccessibleName(QStringLiteral("Mean Scores"));
    MFMap->setAccessibleName(QStringLiteral("Distribution of Male-Female"));

    Label1 = MakeLabel(QStringLiteral("Period"), this, "Label1", 216, 296, 42, 13);
    Label2 = MakeLabel(QStringLiteral("N perlaced"), this, "Label2", 192, 320, 69, 13);
    for (QLabel* label : {Label1, Label2}) {
        SetFont(label, FontF1(), Navy);
        SetFace(label, CaptionText);
        label->resize(label->size().expandedTo(label->sizeHint()));
    }

    CreatePanel();

    BitBtn1 = MakeButton(QStringLiteral("Start"), this, "BitBtn1", 200, 400, 75, 23);
    BitBtn1->setIcon(StartGlyph());
    BitBtn2 = MakeButton(QStringLiteral("End"), this, "BitBtn2", 200, 448, 75, 23);
    BitBtn2->setIcon(EndGlyph());
    BitBtn2->setDefault(true);
    for (QPushButton* button : {BitBtn1, BitBtn2}) {
        SetFont(button, FontF2(), Black);
        button->setIconSize(QSize(GlyphSize, GlyphSize));
    }

    Memo1 = new QPlainTextEdit(this);
    Place(Memo1, "Memo1", 56, 288, 129, 65);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setTabChangesFocus(true);

    StaticText1 = new QLabel(this);
    SetFont(StaticText1, HeadingFont(), Navy);
    StaticText1->setText(QStringLiteral("Simulation: Male-female differences in Organizations"));
    StaticText1->setTextFormat(Qt::PlainText);
    StaticText1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    SetFace(StaticText1, InfoBk);
    Place(StaticText1, "StaticText1", 29, 10, 554, 31);
    StaticText1->resize(StaticText1->size().expandedTo(StaticText1->sizeHint()));

    StopButton = MakeButton(QStringLiteral("Stop"), this, "StopButton", 200, 424, 41, 23);
    SetFont(StopButton, FontF1(), Navy);

    ScrollBar1 = new QScrollBar(Qt::Horizontal, this);
    Place(ScrollBar1, "ScrollBar1", 176, 480, 121, 16);
    ScrollBar1->setRange(0, 100);
    ScrollBar1->setValue(50);
    ScrollBar1->setSingleStep(1);
    ScrollBar1->setPageStep(25);
    ScrollBar1->setFocusPolicy(Qt::StrongFocus);
    ScrollBar1->installEventFilter(this);

    Edit1 = MakeEdit(this, "Edit1", 272, 296, 40, 20);
    Edit2 = MakeEdit(this, "Edit2", 272, 320, 41, 20);
    GoButton = MakeButton(QStringLiteral("Go"), this, "GoButton", 248, 424, 25, 23);
    SetFont(GoButton, FontF1(), WindowText);
    Edit3 = MakeEdit(this, "Edit3", 192, 376, 89, 21);
    SetFont(Edit3, FontF1(), Navy);

    StaticText3 = MakeLabel(QStringLiteral("Adjust Speed"), this, "StaticText3", 96, 480, 72, 16);
    StaticText3->setFrameStyle(QFrame::Panel | QFrame::Raised);
    StaticText3->setLineWidth(1);
    StaticText3->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    SetFace(StaticText3, GradientActiveCaption);
    StaticText3->resize(StaticText3->size().expandedTo(StaticText3->sizeHint()));

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(100);
    Timer1->start();
}

void TForm1::CreatePanel() {
    Panel1 = new TPanel(ScrollBarFace, this);
    Place(Panel1, "Panel1", 56, 360, 257, 145);

    OrgForm = new TRadioGroup(QStringLiteral("OrgForm"),
                              {QStringLiteral("Pyramid"), QStringLiteral("Rectangle")}, 1, Panel1);
    SetFont(OrgForm, FontF1(), Navy);
    SetFace(OrgForm, ScrollBarFace);
    Place(OrgForm, "OrgForm", 8, 8, 120, 50);
    OrgForm->SetItemIndex(PyramidForm);

    Discrimination = new TRadioGroup(QStringLiteral("Discrimination"),
                                     {QStringLiteral("1%"), QStringLiteral("5%")}, 2, Panel1);
    SetFont(Discrimination, FontF2(), Navy);
    SetFace(Discrimination, BtnFace);
    Place(Discrimination, "Discrimination", 8, 64, 120, 50);
    Discrimination->SetItemIndex(1);
}

void TForm1::SetTabOrder() {
    // Tab order of the layout: Start, End, the panel (bias before form),
    // Edit1, Memo1, Stop, the speed, Edit2, Go, Edit3. Labels, static texts,
    // the panel itself and the charts never take the focus.
    const QList<QWidget*> chain = {BitBtn1,
                                   BitBtn2,
                                   Discrimination->Items()[0],
                                   Discrimination->Items()[1],
                                   OrgForm->Items()[0],
                                   OrgForm->Items()[1],
                                   Edit1,
                                   Memo1,
                                   StopButton,
                                   ScrollBar1,
                                   Edit2,
                                   GoButton,
                                   Edit3};
    for (qsizetype i = 1; i < chain.size(); ++i) {
        setTabOrder(chain[i - 1], chain[i]);
    }
}

void TForm1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (FitAttempts == 0) {
        QTimer::singleShot(0, this, &TForm1::FitOuterSize);
    }
}

void TForm1::FitOuterSize() {
    // The frame is known only once the window manager has taken the window,
    // a little after it is shown; without a window manager there is none.
    constexpr int MaximumAttempts = 10;
    const QSize frame = frameGeometry().size() - geometry().size();
    ++FitAttempts;
    if (frame.isNull()) {
        if (FitAttempts < MaximumAttempts) {
            QTimer::singleShot(50, this, &TForm1::FitOuterSize);
        }
        return;
    }
    FitAttempts = MaximumAttempts;  // fitted once; later resizes are the user's
    const QSize client(std::max(OuterWidth - frame.width(), MinimumClientWidth),
                       std::max(OuterHeight - frame.height(), MinimumClientHeight));
    if (size() != client) {
        resize(client);
    }
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    // Qt's horizontal scroll bar moves against the Left and Right arrows
    // (its controls are inverted for the wheel); the speed must follow them.
    if (watched == ScrollBar1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Left || key == Qt::Key_Right) {
            const bool raise = (key == Qt::Key_Right) != ScrollBar1->isRightToLeft();
            ScrollBar1->triggerAction(raise ? QAbstractSlider::SliderSingleStepAdd
                                            : QAbstractSlider::SliderSingleStepSub);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TForm1::keyPressEvent(QKeyEvent* event) {
    // Enter that no focused control took (one-line text fields, radio
    // groups, the scroll bar) presses the default button "End", if enabled.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const bool plain =
        (event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)) == 0;
    if (enter && plain) {
        if (BitBtn2->isEnabled()) {
            BitBtn2->click();
        }
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TForm1::ShowText(QLineEdit* field, const QString& text) {
    field->setText(text);
    field->repaint();
}

void TForm1::AppendLog(const QString& line) { Memo1->appendPlainText(line); }

}  // namespace velmora
