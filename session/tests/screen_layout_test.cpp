// The seven screen layouts applied to the real main window.
#include <gtest/gtest.h>

#include <QApplication>
#include <map>

#include "session/frmMain.h"
#include "session/station.h"
#include "test_support/qt_app.h"

namespace muv {
namespace {

class LayoutTest : public test::QtAppTest {};

// Every named control's place and size.
std::map<std::string, QRect> Snapshot(const frmMain& form) {
    std::map<std::string, QRect> places;
    for (QWidget* w : form.ClientArea()->findChildren<QWidget*>())
        if (!w->objectName().isEmpty() && form.FindControl(w->objectName().toStdString()) == w)
            places[w->objectName().toStdString()] = w->geometry();
    return places;
}

TEST_F(LayoutTest, NarrowToWide) {
    Station station;
    frmMain& form = station.form;
    form.mnuResolucion_Click(2);  // the layout the window loads with
    EXPECT_EQ(form.Width("pctWaterfall"), 1001);
    EXPECT_EQ(form.WaterfallTopPixels(), 514);
    EXPECT_EQ(form.Width("rtfClusterComentario"), 530);
    const float hora = form.Left("txtClusterHora"), link = form.Left("pctClusterLink"),
                clear = form.Left("pctBorrarMensaje");

    ApplyScreenLayout(form, 3);
    EXPECT_EQ(form.Width("pctWaterfall"), 1257);
    EXPECT_EQ(form.WaterfallTopPixels(), 826);
    EXPECT_TRUE(form.windowState() & Qt::WindowMaximized);
    EXPECT_EQ(form.Width("rtfClusterComentario"), 650);
    EXPECT_EQ(form.Width("rtfClusterComentario2"), 650);
    EXPECT_EQ(form.Left("txtClusterHora"), hora + 120);
    EXPECT_EQ(form.Left("pctClusterLink"), link + 120);
    EXPECT_EQ(form.Left("pctBorrarMensaje"), clear + 120);
    EXPECT_EQ(form.Left("txtClusterHora2"), hora + 120);
    // The wide group puts the logbook picture left of the mode box, the countdowns right of it.
    EXPECT_EQ(form.Top("pctADIF"), 640);
    EXPECT_EQ(form.Left("pctADIF"), 824 - form.Width("pctADIF") - 20);
    EXPECT_EQ(form.Left("txtTonoDePrueba"), 824 + form.Width("txtModo") + 20);

    ApplyScreenLayout(form, 2);
    EXPECT_FALSE(form.windowState() & Qt::WindowMaximized);
    EXPECT_EQ(form.WaterfallTopPixels(), 514);
}

TEST_F(LayoutTest, SameTopDifferentWidthAndRepeats) {
    Station station;
    frmMain& form = station.form;
    ApplyScreenLayout(form, 5);
    const auto five = Snapshot(form);
    EXPECT_EQ(form.Top("pctWaterfall"), 580);
    EXPECT_EQ(form.WaterfallTopPixels(), 630);
    EXPECT_EQ(form.Width("pctWaterfall"), 1257);
    ApplyScreenLayout(form, 1);
    EXPECT_EQ(form.Top("pctWaterfall"), 580);
    EXPECT_EQ(form.WaterfallTopPixels(), 630);
    EXPECT_EQ(form.Width("pctWaterfall"), 1001);
    ApplyScreenLayout(form, 5);
    ApplyScreenLayout(form, 5);
    EXPECT_EQ(Snapshot(form), five);
}

TEST_F(LayoutTest, IndexOutsideTheMenuAppliesOnlyTheRelativeRules) {
    Station station;
    frmMain& form = station.form;
    form.mnuResolucion_Click(2);
    const float topBefore = form.Top("pctWaterfall");
    ApplyScreenLayout(form, 0);
    EXPECT_EQ(form.WaterfallTopPixels(), 514);
    EXPECT_FALSE(form.windowState() & Qt::WindowMaximized);
    EXPECT_EQ(form.Top("pctWaterfall"), topBefore);
    EXPECT_EQ(form.Width("pctWaterfall"), 1001);
    // ... with the wide group's values.
    EXPECT_EQ(form.Width("rtfClusterComentario"), 650);
    EXPECT_EQ(form.Top("pctADIF"), form.Top("txtModo"));
    EXPECT_EQ(form.Top("txtTemporizadorBeacon"), form.Top("txtModo"));
    ApplyScreenLayout(form, 8);
    EXPECT_EQ(form.WaterfallTopPixels(), 514);
}

TEST_F(LayoutTest, RowsFollowWidths) {
    Station station;
    frmMain& form = station.form;
    form.mnuResolucion_Click(2);
    // A wider macro label pushes the rest of its row; the second row starts under lblCQ.
    const float bye = form.Left("lblBye"), custom = form.Left("lblCustom"), qrz = form.Left("lblQRZ");
    form.SetWidth("lblMe", form.Width("lblMe") + 20);
    ApplyScreenLayout(form, 2);
    EXPECT_EQ(form.Left("lblBye"), bye + 20);
    EXPECT_EQ(form.Left("lblCustom"), custom + 20);
    EXPECT_EQ(form.Left("lblQRZ"), qrz);
    EXPECT_EQ(form.Left("lblCQDX"), form.Left("lblCQ"));
    EXPECT_EQ(form.Top("lblCQDX"), form.Top("lblCQ") + form.Height("lblCQ") + 4);

    // The channel columns, the frames' row and the clock parts (in twips inside the clock).
    EXPECT_EQ(form.Left("txt14113"), 708 + 3 * (form.Width("txt14078") + 6));
    EXPECT_EQ(form.Left("txt21114"), form.Left("txt14113"));
    EXPECT_EQ(form.Top("txt3583"), form.Top("txt14078"));
    EXPECT_EQ(form.Left("fraWaterFall"), form.Left("fraSymbolRateMF") + form.Width("fraSymbolRateMF") + 4);
    EXPECT_EQ(form.Left("fraSymbolRateHF"), form.Left("fraSymbolRateMF"));
    EXPECT_EQ(form.Top("fraScan"), 272);
    EXPECT_EQ(form.Left("imgFondo(1)"), 435);
    EXPECT_EQ(form.Left("imgFondo(11)"), 690);
    EXPECT_EQ(form.Top("lblPais"), form.Top("txtDestination") - form.Height("lblPais"));
    EXPECT_THROW(form.Left("lblNothing"), std::invalid_argument);
}

// Every layout shows the whole window on the screen it is made for, the window's frame allowed for: every
// control, those that show only at times too, and the waterfall with all its rows.
TEST_F(LayoutTest, EveryLayoutFitsItsScreen) {
    for (int16_t layout = 1; layout <= 7; ++layout) {
        SCOPED_TRACE(layout);
        frmMain form;
        ApplyScreenLayout(form, layout);
        const ScreenSize screen = LayoutScreen(layout);
        const QRect room(0, 0, screen.width - 2 * kWindowFrameBorder,
                         screen.height - kWindowFrameTop - kWindowFrameBorder);
        QRect seen = room;
        if (!(form.windowState() & Qt::WindowMaximized)) {
            form.show();
            QApplication::processEvents();
            const QRect client(QPoint(0, 0), form.ClientArea()->size());
            EXPECT_TRUE(room.contains(client)) << client.width() << "x" << client.height();
            seen = room.intersected(client);
        }
        for (QWidget* w : form.ClientArea()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            const QRect place = w->geometry();
            EXPECT_TRUE(seen.contains(place)) << w->objectName().toStdString() << " ends at "
                                              << place.right() + 1 << "," << place.bottom() + 1;
        }
    }
}

// In every layout no two shown controls overlap; the controls standing at the top of the receive window
// lie inside the band it keeps free for them. The cursor read-out alone stands over the waterfall.
TEST_F(LayoutTest, NoLayoutHasOverlaps) {
    for (int16_t layout = 1; layout <= 7; ++layout) {
        SCOPED_TRACE(layout);
        frmMain form;
        ApplyScreenLayout(form, layout);
        // The states that show the most at once.
        for (TextBox* channel : {form.txt14078, form.txt14101, form.txt14103, form.txt14113})
            channel->setVisible(true);
        for (QWidget* w : std::initializer_list<QWidget*>{
                 form.pctCancelFrame, form.pctDetenerAlarma, form.txtTemporizadorScan, form.pctClusterLink,
                 form.pctClusterLink2, form.imgQRZ, form.txtTemporizadorBeacon})
            w->setVisible(true);

        std::vector<QWidget*> shown;
        for (QWidget* w : form.ClientArea()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (!w->isHidden() && w != form.rtfVentanaRX && w != form.txtPosicionCursor) shown.push_back(w);
        const QRect rx = form.rtfVentanaRX->geometry();
        const QRect header(rx.left(), rx.top(), rx.width(), form.rtfVentanaRX->HeaderHeight());
        for (QWidget* w : shown) {
            if (w->geometry().intersects(rx)) {
                EXPECT_TRUE(header.contains(w->geometry())) << w->objectName().toStdString();
            }
        }
        for (size_t i = 0; i < shown.size(); ++i)
            for (size_t j = i + 1; j < shown.size(); ++j) {
                // Boxes of one cluster row share their border pixel.
                const QRect a = shown[i]->geometry().adjusted(1, 0, -1, 0),
                            b = shown[j]->geometry().adjusted(1, 0, -1, 0);
                EXPECT_FALSE(a.intersects(b))
                    << shown[i]->objectName().toStdString() << " / " << shown[j]->objectName().toStdString();
            }
    }
}

}  // namespace
}  // namespace muv
