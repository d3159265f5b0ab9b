#include <QAbstractButton>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include "display/chart_area.h"
#include "display/chart_geometry.h"
#include "display/fonts.h"
#include "display/radio_group.h"
#include "display/tform1.h"

using namespace velmora;

class WindowTest : public QObject {
    Q_OBJECT

    TOrganisation Org;
    TForm1* Form = nullptr;

    QWidget* Named(const QString& name) const {
        if (name == QLatin1String("Pyramid")) return Form->OrgForm->Items()[0];
        if (name == QLatin1String("Rectangle")) return Form->OrgForm->Items()[1];
        if (name == QLatin1String("1%")) return Form->Discrimination->Items()[0];
        if (name == QLatin1String("5%")) return Form->Discrimination->Items()[1];
        return Form->findChild<QWidget*>(name);
    }

    void ShowActive() {
        Form->show();
        Form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Form));
    }

  private slots:
    void init() {
        Org = TOrganisation{};
        Form = new TForm1(Org);
        Form->InitialScreen();
    }
    void cleanup() { delete Form; }

    void window() {
        QCOMPARE(Form->windowTitle(), QStringLiteral("Velmora"));
        QCOMPARE(Form->pos(), QPoint(167, 112));
        QVERIFY(Form->width() >= 594 && Form->height() >= 513);
        QVERIFY(Form->windowFlags() & Qt::WindowMinMaxButtonsHint);
    }

    void controlsInPlace_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QRect>("place");
        QTest::addColumn<bool>("fitsCaption");  // may grow to fit its caption
        QTest::newRow("OrgMap") << "OrgMap"
                                << "Form1" << QRect(59, 82, 250, 200) << false;
        QTest::newRow("ScoreMap") << "ScoreMap"
                                  << "Form1" << QRect(336, 298, 250, 200) << false;
        QTest::newRow("MFMap") << "MFMap"
                               << "Form1" << QRect(336, 82, 250, 200) << false;
        QTest::newRow("Label1") << "Label1"
                                << "Form1" << QRect(216, 296, 42, 13) << true;
        QTest::newRow("Label2") << "Label2"
                                << "Form1" << QRect(192, 320, 69, 13) << true;
        QTest::newRow("Panel1") << "Panel1"
                                << "Form1" << QRect(56, 360, 257, 145) << false;
        QTest::newRow("BitBtn1") << "BitBtn1"
                                 << "Form1" << QRect(200, 400, 75, 23) << false;
        QTest::newRow("BitBtn2") << "BitBtn2"
                                 << "Form1" << QRect(200, 448, 75, 23) << false;
        QTest::newRow("Memo1") << "Memo1"
                               << "Form1" << QRect(56, 288, 129, 65) << false;
        QTest::newRow("StaticText1") << "StaticText1"
                                     << "Form1" << QRect(29, 10, 554, 31) << true;
        QTest::newRow("StopButton") << "StopButton"
                                    << "Form1" << QRect(200, 424, 41, 23) << false;
        QTest::newRow("ScrollBar1") << "ScrollBar1"
                                    << "Form1" << QRect(176, 480, 121, 16) << false;
        QTest::newRow("Edit1") << "Edit1"
                               << "Form1" << QRect(272, 296, 40, 20) << false;
        QTest::newRow("Edit2") << "Edit2"
                               << "Form1" << QRect(272, 320, 41, 20) << false;
        QTest::newRow("GoButton") << "GoButton"
                                  << "Form1" << QRect(248, 424, 25, 23) << false;
        QTest::newRow("Edit3") << "Edit3"
                               << "Form1" << QRect(192, 376, 89, 21) << false;
        QTest::newRow("StaticText3") << "StaticText3"
                                     << "Form1" << QRect(96, 480, 72, 16) << true;
        QTest::newRow("OrgForm") << "OrgForm"
                                 << "Panel1" << QRect(8, 8, 120, 50) << false;
        QTest::newRow("Discrimination") << "Discrimination"
                                        << "Panel1" << QRect(8, 64, 120, 50) << false;
    }
    void controlsInPlace() {
        QFETCH(QString, name);
        QFETCH(QString, parent);
        QFETCH(QRect, place);
        QFETCH(bool, fitsCaption);
        QWidget* control = Named(name);
        QVERIFY(control != nullptr);
        QCOMPARE(control->parentWidget()->objectName(), parent);
        if (fitsCaption) {
            QCOMPARE(control->pos(), place.topLeft());
            QVERIFY(control->width() >= place.width() && control->height() >= place.height());
            QVERIFY(control->size().expandedTo(control->sizeHint()) == control->size());
        } else {
            QCOMPARE(control->geometry(), place);
        }
        // The client area holds every control.
        QVERIFY(Form->rect().contains(control->mapTo(Form, control->rect().bottomRight())));
    }

    void stackingFollowsCreationOrder() {
        // Buttons, the status field and the speed lie on top of the panel.
        const QList<QWidget*> order = Form->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        const qsizetype panel = order.indexOf(Form->Panel1);
        for (QWidget* above :
             {static_cast<QWidget*>(Form->BitBtn1), static_cast<QWidget*>(Form->StopButton),
              static_cast<QWidget*>(Form->GoButton), static_cast<QWidget*>(Form->BitBtn2),
              static_cast<QWidget*>(Form->Edit3), static_cast<QWidget*>(Form->ScrollBar1),
              static_cast<QWidget*>(Form->StaticText3)}) {
            QVERIFY2(order.indexOf(above) > panel, qPrintable(above->objectName()));
        }
    }

    void captions_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::newRow("Label1") << "Label1"
                                << "Period";
        QTest::newRow("Label2") << "Label2"
                                << "N perlaced";
        QTest::newRow("BitBtn1") << "BitBtn1"
                                 << "Start";
        QTest::newRow("BitBtn2") << "BitBtn2"
                                 << "End";
        QTest::newRow("StopButton") << "StopButton"
                                    << "Stop";
        QTest::newRow("GoButton") << "GoButton"
                                  << "Go";
        QTest::newRow("StaticText1") << "StaticText1"
                                     << "Simulation: Male-female differences in Organizations";
        QTest::newRow("StaticText3") << "StaticText3"
                                     << "Adjust Speed";
        QTest::newRow("OrgForm") << "OrgForm"
                                 << "OrgForm";
        QTest::newRow("Discrimination") << "Discrimination"
                                        << "Discrimination";
        QTest::newRow("Pyramid") << "Pyramid"
                                 << "Pyramid";
        QTest::newRow("Rectangle") << "Rectangle"
                                   << "Rectangle";
        QTest::newRow("1%") << "1%"
                            << "1%";
        QTest::newRow("5%") << "5%"
                            << "5%";
    }
    void captions() {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QWidget* control = Named(name);
        QVERIFY(control != nullptr);
        QString text;
        if (auto* label = qobject_cast<QLabel*>(control)) text = label->text();
        if (auto* button = qobject_cast<QAbstractButton*>(control)) text = button->text();
        if (auto* group = qobject_cast<QGroupBox*>(control)) text = group->title();
        QCOMPARE(text, caption);
    }

    void initialState() {
        QCOMPARE(Form->OrgForm->ItemIndex(), PyramidForm);
        QVERIFY(Form->OrgForm->Items()[0]->isChecked());
        QCOMPARE(Form->Discrimination->ItemIndex(), 1);
        QVERIFY(Form->Discrimination->Items()[1]->isChecked());
        for (QWidget* button : {Form->BitBtn1, Form->BitBtn2, Form->StopButton, Form->GoButton}) {
            QVERIFY(button->isEnabled());
        }
        QVERIFY(Form->BitBtn2->isDefault());
        for (QLineEdit* edit : {Form->Edit1, Form->Edit2, Form->Edit3}) {
            QVERIFY(edit->text().isEmpty());
        }
        QVERIFY(Form->Memo1->toPlainText().isEmpty());
        QCOMPARE(Form->ScrollBar1->minimum(), 0);
        QCOMPARE(Form->ScrollBar1->maximum(), 100);
        QCOMPARE(Form->ScrollBar1->value(), 50);
        QCOMPARE(Form->ScrollBar1->singleStep(), 1);
        QCOMPARE(Form->ScrollBar1->pageStep(), 25);
        QVERIFY(Form->Timer1->isActive());
        QCOMPARE(Form->Timer1->interval(), 100);
        QCOMPARE(Form->Timer1->objectName(), QStringLiteral("Timer1"));
    }

    void choosingAFormSignalsOnlyRealChanges() {
        QSignalSpy changes(Form->OrgForm, &TRadioGroup::ItemIndexChanged);
        QTest::mouseClick(Form->OrgForm->Items()[0], Qt::LeftButton);  // already selected
        QCOMPARE(changes.count(), 0);
        QTest::mouseClick(Form->OrgForm->Items()[1], Qt::LeftButton);
        QCOMPARE(changes.count(), 1);
        QCOMPARE(changes.at(0).at(0).toInt(), RectangleForm);
        QCOMPARE(Form->OrgForm->ItemIndex(), RectangleForm);
    }

    void arrowKeysMoveTheSelection() {
        ShowActive();
        QSignalSpy changes(Form->OrgForm, &TRadioGroup::ItemIndexChanged);
        QWidget* pyramid = Named("Pyramid");
        pyramid->setFocus();
        QTest::keyClick(pyramid, Qt::Key_Down);
        QCOMPARE(Form->OrgForm->ItemIndex(), RectangleForm);
        QCOMPARE(changes.count(), 1);
        QCOMPARE(QApplication::focusWidget(), Named("Rectangle"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), Form->Edit1);
    }

    void arrowKeysMoveTheSpeedTheWayTheyPoint() {
        ShowActive();
        QScrollBar* speed = Form->ScrollBar1;
        speed->setFocus();
        QCOMPARE(QApplication::focusWidget(), speed);
        const int start = speed->value();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
        QCOMPARE(speed->value(), start + speed->singleStep());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Left);
        QCOMPARE(speed->value(), start - speed->singleStep());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageDown);
        QCOMPARE(speed->value(), start - speed->singleStep() + speed->pageStep());
    }

    void fontsResolveToStandIns_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("family");
        QTest::newRow("F1") << "Label1"
                            << "IPAPGothic";
        QTest::newRow("F2") << "BitBtn1"
                            << "IPAGothic";
        QTest::newRow("heading") << "StaticText1"
                                 << "Liberation Sans";
        QTest::newRow("default") << "Edit1"
                                 << "Liberation Sans";
        QTest::newRow("charts") << ""
                                << "Liberation Serif";
    }
    void fontsResolveToStandIns() {
        QFETCH(QString, name);
        QFETCH(QString, family);
        const QFont font = name.isEmpty() ? ChartFont(Form->font()) : Named(name)->font();
        QCOMPARE(QFontInfo(font).family(), family);
        QVERIFY(QFontInfo(font).bold() || name == QLatin1String("Edit1"));
    }

    void glyphsHaveADisabledLook() {
        for (QPushButton* button : {Form->BitBtn1, Form->BitBtn2}) {
            QCOMPARE(button->iconSize(), QSize(18, 18));
            const QImage normal = button->icon().pixmap(18, 18, QIcon::Normal).toImage();
            const QImage grey = button->icon().pixmap(18, 18, QIcon::Disabled).toImage();
            QCOMPARE(normal.size(), QSize(18, 18));
            QVERIFY(normal != grey);
            // Corners are the transparent background.
            QCOMPARE(qAlpha(normal.pixel(0, 0)), 0);
        }
    }

    void tabOrder() {
        ShowActive();
        QCOMPARE(QApplication::focusWidget(), Form->BitBtn1);
        const QStringList expected = {"BitBtn2",  "5%",         "Pyramid",    "Edit1",
                                      "Memo1",    "StopButton", "ScrollBar1", "Edit2",
                                      "GoButton", "Edit3",      "BitBtn1"};
        for (const QString& name : expected) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), Named(name));
        }
    }

    void tabSkipsDisabledButtonsAndReachesTheSelectedItem() {
        ShowActive();
        Form->GoButton->setEnabled(false);
        Form->OrgForm->SetItemIndex(RectangleForm);
        Form->Edit2->setFocus();
        QTest::keyClick(Form->Edit2, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), Form->Edit3);
        Form->BitBtn2->setFocus();
        QTest::keyClick(Form->BitBtn2, Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), Named("Rectangle"));
    }

    void enter_data() {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<bool>("endEnabled");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("endClicks");
        QTest::addColumn<int>("focusClicks");  // when the focus is on a button
        const int none = Qt::NoModifier;
        QTest::newRow("Edit1") << "Edit1" << true << int(Qt::Key_Return) << none << 1 << 0;
        QTest::newRow("Edit3, keypad")
            << "Edit3" << true << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << 1 << 0;
        QTest::newRow("radio item") << "Pyramid" << true << int(Qt::Key_Return) << none << 1 << 0;
        QTest::newRow("bias item") << "5%" << true << int(Qt::Key_Return) << none << 1 << 0;
        QTest::newRow("scroll bar")
            << "ScrollBar1" << true << int(Qt::Key_Return) << none << 1 << 0;
        QTest::newRow("End disabled") << "Edit1" << false << int(Qt::Key_Return) << none << 0 << 0;
        QTest::newRow("with Shift")
            << "Edit2" << true << int(Qt::Key_Return) << int(Qt::ShiftModifier) << 0 << 0;
        QTest::newRow("with Ctrl")
            << "Edit2" << true << int(Qt::Key_Return) << int(Qt::ControlModifier) << 0 << 0;
        QTest::newRow("memo") << "Memo1" << true << int(Qt::Key_Return) << none << 0 << 0;
        QTest::newRow("Start") << "BitBtn1" << true << int(Qt::Key_Return) << none << 0 << 1;
        QTest::newRow("Stop") << "StopButton" << true << int(Qt::Key_Return) << none << 0 << 1;
        QTest::newRow("Go") << "GoButton" << true << int(Qt::Key_Enter) << int(Qt::KeypadModifier)
                            << 0 << 1;
        QTest::newRow("End itself") << "BitBtn2" << true << int(Qt::Key_Return) << none << 1 << 1;
    }
    void enter() {
        QFETCH(QString, focus);
        QFETCH(bool, endEnabled);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, endClicks);
        QFETCH(int, focusClicks);
        ShowActive();
        Form->BitBtn2->setEnabled(endEnabled);
        QWidget* target = Named(focus);
        target->setFocus();
        QCOMPARE(QApplication::focusWidget(), target);
        QSignalSpy end(Form->BitBtn2, &QPushButton::clicked);
        auto* button = qobject_cast<QPushButton*>(target);
        QSignalSpy own(button != nullptr ? button : Form->BitBtn2, &QPushButton::clicked);
        QTest::keyClick(target, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(end.count(), endClicks);
        if (button != nullptr) {
            QCOMPARE(own.count(), focusClicks);
        }
        if (focus == QLatin1String("Memo1")) {
            QCOMPARE(Form->Memo1->toPlainText(), QStringLiteral("\n"));
        }
        QVERIFY(Form->isVisible());  // the window itself only closes through "End"
    }

    void escapeDoesNotClose() {
        ShowActive();
        Form->Edit1->setFocus();
        QTest::keyClick(Form->Edit1, Qt::Key_Escape);
        QTest::keyClick(Form, Qt::Key_Escape);
        QVERIFY(Form->isVisible());
    }

    void repaintKeepsEveryChart() {
        ShowActive();
        for (int level = 1; level <= 8; ++level) {
            Org.LevelSize[level] = 178;
            Org.FemaleCount[level] = 20 * level;
            Org.MeanScore[level] = 40.0 + level;
        }
        Org.Period = 3;
        Form->ShowResults();
        const QImage mf = Form->MFMap->Picture();
        const QImage scores = Form->ScoreMap->Picture();
        const QImage org = Form->OrgMap->Picture();
        // A repaint of the organisation chart redraws only itself.
        Form->OrgMap->repaint();
        Form->showMinimized();
        Form->showNormal();
        Form->update();
        QTest::qWait(20);
        QCOMPARE(Form->MFMap->Picture(), mf);
        QCOMPARE(Form->ScoreMap->Picture(), scores);
        const QImage window = Form->grab().toImage().convertToFormat(QImage::Format_RGB32);
        for (TChartArea* chart : {Form->OrgMap, Form->MFMap, Form->ScoreMap}) {
            QCOMPARE(window.copy(chart->geometry()),
                     chart->Picture().convertToFormat(QImage::Format_RGB32));
        }
        QCOMPARE(Form->OrgMap->Picture(), org);
    }

    void textsShowAtOnce() {
        ShowActive();
        TForm1::ShowText(Form->Edit1, QStringLiteral("17"));
        QCOMPARE(Form->Edit1->text(), QStringLiteral("17"));
        Form->AppendLog(QStringLiteral("Start of Job"));
        Form->AppendLog(QStringLiteral("Normal End of Job"));
        QCOMPARE(Form->Memo1->toPlainText(), QStringLiteral("Start of Job\nNormal End of Job"));
    }
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"
