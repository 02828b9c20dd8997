// The ADC front end's block diagram, drawn under the ADC panel's controls. Coordinates are the
// panel's design units; the controls' places in AdcPanel.cpp match the parts drawn here.
#include "panels/ui/AdcPanel.h"

#include <QPainter>

namespace vek {

namespace {
const QColor kBlockFill(236, 242, 250);
const QColor kDigitalFill(240, 248, 236);
const QColor kSupplyFill(250, 244, 232);
constexpr double kHighWire = 302, kLowWire = 338; // the input pair
constexpr double kRefHigh = 543, kRefLow = 631;   // the reference pair

// The wires from a multiplexer's switches to its bus, and the bus.
void MuxBus(QPainter &p, double switchRight, double firstRowTop, int rows, double busX)
{
    const double first = firstRowTop + 10, last = firstRowTop + (rows - 1) * 26 + 10;
    for (int k = 0; k < rows; ++k) {
        const double y = firstRowTop + k * 26 + 10;
        draw::Wire(p, {QPointF(switchRight, y), QPointF(busX, y)});
    }
    draw::Wire(p, {QPointF(busX, first), QPointF(busX, last)});
}

// A buffer on a wire with a bypass switch beside it (the switch picture sits at bypassY).
void BufferWithBypass(QPainter &p, double x0, double x1, double wireY, double bypassY)
{
    draw::Wire(p, {QPointF(x0 - 12, wireY), QPointF(x0, wireY)});
    draw::Amplifier(p, QRectF(x0, wireY - 12, x1 - x0, 24), QString());
    draw::Wire(p, {QPointF(x1, wireY), QPointF(x1 + 12, wireY)});
    draw::Wire(p, {QPointF(x0 - 12, wireY), QPointF(x0 - 12, bypassY), QPointF(x0 - 2, bypassY)});
    draw::Wire(p, {QPointF(x1 + 2, bypassY), QPointF(x1 + 12, bypassY), QPointF(x1 + 12, wireY)});
    draw::Node(p, QPointF(x0 - 12, wireY));
    draw::Node(p, QPointF(x1 + 12, wireY));
}
} // namespace

void DrawAdcDiagram(QPainter &p)
{
    // Section titles.
    draw::Text(p, QRectF(100, 14, 50, 20), QStringLiteral("INH"), Qt::AlignLeft | Qt::AlignVCenter, 12, true);
    draw::Text(p, QRectF(100, 366, 50, 20), QStringLiteral("INL"), Qt::AlignLeft | Qt::AlignVCenter, 12, true);
    draw::Text(p, QRectF(336, 462, 50, 20), QStringLiteral("VRH"), Qt::AlignLeft | Qt::AlignVCenter, 12, true);
    draw::Text(p, QRectF(336, 582, 50, 20), QStringLiteral("VRL"), Qt::AlignLeft | Qt::AlignVCenter, 12, true);

    // Input multiplexers to the input pair.
    MuxBus(p, 208, 40, 8, 222);
    MuxBus(p, 208, 392, 8, 222);
    draw::Wire(p, {QPointF(222, 232), QPointF(222, kHighWire), QPointF(232, kHighWire)});
    draw::Wire(p, {QPointF(222, 402), QPointF(222, kLowWire), QPointF(232, kLowWire)});
    draw::Text(p, QRectF(228, 272, 70, 16), QStringLiteral("INX"), Qt::AlignCenter, 10, true);

    // Input short across the pair, then the input buffers.
    draw::Wire(p, {QPointF(290, kHighWire), QPointF(336, kHighWire)});
    draw::Wire(p, {QPointF(290, kLowWire), QPointF(336, kLowWire)});
    draw::Node(p, QPointF(311, kHighWire));
    draw::Node(p, QPointF(311, kLowWire));
    draw::Wire(p, {QPointF(311, 256), QPointF(311, 262)});
    BufferWithBypass(p, 350, 398, kHighWire, 273);
    BufferWithBypass(p, 350, 398, kLowWire, 367);
    draw::Text(p, QRectF(340, 240, 70, 16), QStringLiteral("Input buffer"), Qt::AlignCenter, 9);

    // PGA (with its high-gain amplifier choice) and the ADC gain stage.
    draw::Wire(p, {QPointF(410, kHighWire), QPointF(420, kHighWire)});
    draw::Wire(p, {QPointF(410, kLowWire), QPointF(420, kLowWire)});
    draw::Amplifier(p, QRectF(420, 282, 70, 76), QStringLiteral("PGA"));
    draw::Wire(p, {QPointF(490, 320), QPointF(522, 320)});
    draw::Amplifier(p, QRectF(522, 282, 66, 76), QStringLiteral("ADGN"));
    draw::Wire(p, {QPointF(588, 320), QPointF(620, 320)});

    // DC set into the summing node.
    draw::Sum(p, QPointF(635, 320), 15);
    draw::Wire(p, {QPointF(635, 404), QPointF(635, 335)});
    draw::Arrow(p, QPointF(635, 404), QPointF(635, 336));
    draw::Text(p, QRectF(596, 380, 36, 18), QStringLiteral("DC"), Qt::AlignRight | Qt::AlignVCenter, 10, true);
    draw::Wire(p, {QPointF(650, 320), QPointF(690, 320)});
    draw::Arrow(p, QPointF(650, 320), QPointF(689, 320));

    // Modulator with its clock and reference.
    draw::Block(p, QRectF(690, 262, 110, 110), QStringLiteral("\u03A3\u0394 modulator"), kBlockFill);
    draw::Wire(p, {QPointF(820, 172), QPointF(795, 172), QPointF(795, 262)});
    draw::Arrow(p, QPointF(795, 172), QPointF(795, 261));
    draw::Text(p, QRectF(820, 126, 100, 20), QStringLiteral("ADC clock"), Qt::AlignLeft | Qt::AlignVCenter, 10,
               true);
    draw::Text(p, QRectF(884, 150, 60, 16), QStringLiteral("1"), Qt::AlignLeft | Qt::AlignVCenter, 10);
    draw::Text(p, QRectF(884, 178, 60, 16), QStringLiteral("0"), Qt::AlignLeft | Qt::AlignVCenter, 10);

    // Digital filter and the output word.
    draw::Wire(p, {QPointF(800, 317), QPointF(826, 317)});
    draw::Arrow(p, QPointF(800, 317), QPointF(825, 317));
    draw::Block(p, QRectF(826, 262, 168, 110), QStringLiteral("Digital filter"), kDigitalFill);
    draw::Wire(p, {QPointF(910, 372), QPointF(910, 410)});
    draw::Arrow(p, QPointF(910, 372), QPointF(910, 409));
    draw::Text(p, QRectF(826, 388, 80, 18), QStringLiteral("ADC output"), Qt::AlignLeft | Qt::AlignVCenter, 10);

    // Reference multiplexers, buffers and gain.
    MuxBus(p, 444, 488, 4, 458);
    MuxBus(p, 444, 608, 4, 458);
    draw::Wire(p, {QPointF(458, kRefHigh), QPointF(510, kRefHigh)});
    draw::Wire(p, {QPointF(458, kRefLow), QPointF(510, kRefLow)});
    BufferWithBypass(p, 524, 572, kRefHigh, 517);
    BufferWithBypass(p, 524, 572, kRefLow, 657);
    draw::Text(p, QRectF(500, 560, 100, 16), QStringLiteral("Ref. buffer"), Qt::AlignCenter, 9);
    draw::Wire(p, {QPointF(584, kRefHigh), QPointF(616, kRefHigh)});
    draw::Wire(p, {QPointF(584, kRefLow), QPointF(616, kRefLow)});
    draw::Block(p, QRectF(616, 520, 128, 150), QStringLiteral("Reference gain"), kBlockFill);
    draw::Wire(p, {QPointF(680, 520), QPointF(680, 480), QPointF(745, 480), QPointF(745, 372)});
    draw::Arrow(p, QPointF(745, 480), QPointF(745, 373));
    draw::Text(p, QRectF(750, 440, 60, 16), QStringLiteral("VREF"), Qt::AlignLeft | Qt::AlignVCenter, 10, true);

    // Analog supply.
    draw::Block(p, QRectF(820, 10, 174, 88), QStringLiteral("Analog supply"), kSupplyFill);
}

} // namespace vek
