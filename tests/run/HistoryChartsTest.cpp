#include "tests/harness/RunFixture.h"

#include "base/Palette.h"
#include "run/ChartScale.h"
#include "run/HistoryCharts.h"

#include <QImage>
#include <cmath>

namespace {

// The run engine with the charts on its tick, over a bare panel.
struct ChartFixture : RunFixture {
    ChartScale scale{*panel};
    LiveReading reading;
    HistoryCharts charts{*panel, *editor, outputs, reading, scale};

    ChartFixture() {
        scale.wire();
        engine().afterTick = [this] {
            charts.图数据右移及新数据获取(engine().stepIndex);
            charts.数据绘图();
        };
    }

    QImage picture(int k) const { return panel->Picture1[k]->pixmap().toImage(); }
    void measure(double dPlus, double voltage) {
        reading = frames::Reading{};
        reading->values[frames::DPlus] = dPlus;
        reading->values[frames::Voltage] = voltage;
    }
};

// The pixel rows of a colour in the column in the middle of chart unit x-1..x.
QList<int> rowsOf(const QImage& image, double x, int colour) {
    const int column = static_cast<int>((x - 0.5) * image.width() / 500.0);
    QList<int> rows;
    for (int y = 0; y < image.height(); ++y) {
        if (image.pixel(column, y) == kPalette[colour]) {
            rows << y;
        }
    }
    return rows;
}

// Whether the rows sit at chart height y (0 bottom, 10 top), within a pixel and a half.
bool near(const QList<int>& rows, const QImage& image, double y) {
    if (rows.isEmpty()) {
        return false;
    }
    const double centre = (rows.first() + rows.last() + 1) / 2.0;
    return std::abs(centre - (image.height() - y * image.height() / 10.0)) <= 1.5;
}

} // namespace

class HistoryChartsTest : public QObject {
    Q_OBJECT
private slots:
    void eachTraceStandsWhereItsValuePutsIt() {
        ChartFixture f;
        f.p().Text6[1]->setText("50");
        f.step(0, 0, 0, 30, 3, 7, 1);
        f.measure(25, 5000);
        f.press(RunEngine::Start);
        f.run(1500);
        const QImage upper = f.picture(0);
        const QImage lower = f.picture(1);
        QVERIFY(!upper.isNull() && !lower.isNull());
        QVERIFY(near(rowsOf(lower, 1, 9), lower, 3));  // left level, blue
        QVERIFY(near(rowsOf(lower, 1, 13), lower, 7)); // right level, magenta
        QVERIFY(near(rowsOf(lower, 1, 2), lower, 5));  // 25 on a 0..50 scale, green
        QVERIFY(near(rowsOf(upper, 1, 0), upper, 4));  // 5000 mV, black
        // The laser bar: wide for the samples since it went on, thin for the start's zeros.
        QVERIFY(near(rowsOf(upper, 1, 12), upper, 9));
        QCOMPARE(rowsOf(upper, 1, 12).size(), 4);
        QCOMPARE(rowsOf(upper, 100, 12).size(), 1);
    }

    // A greyed device box opens its relay, so its bar is drawn as off.
    void aGreyedDeviceBoxIsDrawnOff() {
        ChartFixture f;
        f.step(0, 0, 0, 30, 3, 7, 2, 1, 2);
        f.press(RunEngine::Start);
        f.run(1500);
        const QImage upper = f.picture(0);
        QCOMPARE(rowsOf(upper, 1, 12).size(), 1); // laser greyed: thin
        QCOMPARE(rowsOf(upper, 1, 11).size(), 4); // vacuum ticked: thick
        QCOMPARE(rowsOf(upper, 1, 2).size(), 1);  // signal greyed: thin
    }

    void equalScaleFieldsLeaveTheSignalTraceOut() {
        ChartFixture f;
        f.p().Text6[0]->setText("100");
        f.step(0, 0, 0, 30, 3, 7);
        f.measure(25, 0);
        f.press(RunEngine::Start);
        f.run(1000);
        QCOMPARE(f.scale.gridStep, 0.0f);
        const QImage lower = f.picture(1);
        QVERIFY(!rowsOf(lower, 1, 9).isEmpty());
        for (double x : {1.0, 250.0, 500.0}) {
            QVERIFY(rowsOf(lower, x, 2).isEmpty());
        }
    }

    // While there is no reading the measured traces break off; they do not fall to 0.
    void noReadingIsAGapNotAZero() {
        ChartFixture f;
        f.p().Text6[1]->setText("50");
        f.step(0, 0, 0, 30, 3, 7);
        f.measure(25, 5000);
        f.press(RunEngine::Start);
        f.run(2000);
        f.reading.reset();
        f.run(3000);
        f.measure(25, 5000);
        f.run(2000);
        const auto& dPlus = f.charts.data().samples[5];
        QVERIFY(!std::isnan(dPlus[0]));
        int gap = 1;
        while (gap < ChartData::kDrawn && !std::isnan(dPlus[gap])) {
            ++gap;
        }
        QVERIFY(gap < 10 && std::isnan(dPlus[gap + 1]) && std::isnan(dPlus[gap + 2]));
        QVERIFY(std::isnan(f.charts.data().samples[6][gap + 1]));
        const QImage upper = f.picture(0);
        const QImage lower = f.picture(1);
        // Inside the gap neither trace is drawn, not even at the bottom; beside it both are.
        QVERIFY(rowsOf(lower, gap + 2, 2).isEmpty());
        QVERIFY(rowsOf(upper, gap + 2, 0).isEmpty());
        QVERIFY(near(rowsOf(lower, 1, 2), lower, 5));
        QVERIFY(near(rowsOf(upper, 1, 0), upper, 4));
    }

    void theOldestSampleLeavesAfterFiveHundredTicks() {
        ChartData data;
        data.图数据右移及新数据获取({1, 1, 1, 1, 1, 1, 1});
        for (int k = 0; k < 500; ++k) {
            QCOMPARE(data.samples[3][k], 1.0f);
            data.图数据右移及新数据获取({});
        }
        QCOMPARE(data.samples[3][500], 1.0f); // at the right edge
        data.图数据右移及新数据获取({});
        QCOMPARE(data.samples[3][500], 0.0f);
        QCOMPARE(data.samples[3][501], 0.0f); // never written
    }
};

TESSALY_TEST_MAIN(HistoryChartsTest)
#include "HistoryChartsTest.moc"
