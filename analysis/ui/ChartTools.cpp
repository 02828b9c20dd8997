#include "analysis/ui/ChartTools.h"

#include "app/base/NumberText.h"
#include "app/base/SafeFile.h"

#include <QBuffer>
#include <QFileInfo>
#include <QLabel>
#include <QPageSize>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <qcustomplot.h>

#include <cmath>

namespace vek {

QString PointReadout(double x, double y)
{
    return QStringLiteral("x: %1, y: %2").arg(FixedQText(x, 3), FixedQText(y, 3));
}

void EnableChartMouse(QCustomPlot *plot, QLabel *readout)
{
    plot->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    plot->axisRect()->setRangeDrag(Qt::Horizontal | Qt::Vertical);
    plot->axisRect()->setRangeZoom(Qt::Horizontal | Qt::Vertical);
    if (!readout)
        return;
    QObject::connect(plot, &QCustomPlot::mouseMove, readout, [plot, readout](QMouseEvent *event) {
        if (plot->graphCount() == 0 || plot->graph(0)->data()->isEmpty())
            return;
        const double x = plot->xAxis->pixelToCoord(event->position().x());
        const QSharedPointer<QCPGraphDataContainer> data = plot->graph(0)->data();
        auto it = data->findBegin(x, true);
        if (it == data->constEnd())
            it = data->constEnd() - 1;
        // The nearer of the two points around the mouse.
        if (it + 1 != data->constEnd() && std::abs((it + 1)->key - x) < std::abs(it->key - x))
            ++it;
        readout->setText(PointReadout(it->key, it->value));
    });
}

bool ExportChart(QCustomPlot *plot, const QString &path, QString *error)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    const int w = std::max(plot->width(), 1), h = std::max(plot->height(), 1);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    bool drawn = false;
    // Draws the chart into a vector device at its on-screen size.
    auto paint = [plot, w, h](QPaintDevice &device) {
        QCPPainter painter;
        if (!painter.begin(&device))
            return false;
        plot->toPainter(&painter, w, h);
        return painter.end();
    };
    if (suffix == QLatin1String("png")) {
        drawn = plot->toPixmap(w, h).save(&buffer, "PNG");
    } else if (suffix == QLatin1String("svg")) {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(QSize(w, h));
        svg.setViewBox(QRect(0, 0, w, h));
        svg.setTitle(plot->objectName());
        drawn = paint(svg);
    } else if (suffix == QLatin1String("pdf")) {
        QPdfWriter pdf(&buffer);
        pdf.setResolution(72); // one pixel of the chart to one point of the page
        pdf.setPageSize(QPageSize(QSizeF(w, h), QPageSize::Point));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        pdf.setTitle(plot->objectName());
        drawn = paint(pdf);
    } else {
        if (error)
            *error = QStringLiteral("Charts are saved as .png, .svg or .pdf, not \"%1\".").arg(QFileInfo(path).fileName());
        return false;
    }
    buffer.close();
    if (!drawn || bytes.isEmpty() || !WriteFileAtomically(path, bytes)) {
        if (error)
            *error = QStringLiteral("Cannot create file \"%1\".").arg(path);
        return false;
    }
    return true;
}

} // namespace vek
