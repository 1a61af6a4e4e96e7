#include "platform/gui/SvgIcon.h"

#include "res/Menus.h"

#include <QApplication>
#include <QFile>
#include <QIconEngine>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QStyleOption>
#include <QSvgRenderer>

#include <memory>

namespace velmo {

namespace {

// Renders the drawing anew for every size asked: a 16 x 15 button on a
// screen of scale 2 gets a 32 x 30 picture, not an enlarged one.
class SvgIconEngine final : public QIconEngine {
public:
    explicit SvgIconEngine(QByteArray svg) : data(std::move(svg)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal scale = painter->device() != nullptr ? painter->device()->devicePixelRatioF() : 1.0;
        QPixmap pm = pixmap(rect.size() * scale, mode, state);
        pm.setDevicePixelRatio(scale);
        painter->drawPixmap(rect.topLeft(), pm);
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override
    {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QSvgRenderer renderer(data);
        if (renderer.isValid() && !size.isEmpty()) {
            // Keep the drawing's proportions, centred in the asked size.
            QSizeF drawn = QSizeF(renderer.defaultSize());
            drawn.scale(QSizeF(size), Qt::KeepAspectRatio);
            const QRectF target(QPointF((size.width() - drawn.width()) / 2, (size.height() - drawn.height()) / 2),
                                drawn);
            QPainter p(&image);
            renderer.render(&p, target);
        }
        QPixmap pm = QPixmap::fromImage(image);
        if (mode != QIcon::Normal && QApplication::style() != nullptr) {
            // Greyed (disabled) and highlighted looks as the style makes them.
            QStyleOption option;
            option.palette = QApplication::palette();
            const QPixmap styled = QApplication::style()->generatedIconPixmap(mode, pm, &option);
            if (!styled.isNull())
                pm = styled;
        }
        return pm;
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override
    {
        QSvgRenderer renderer(data);
        if (!renderer.isValid())
            return {};
        return renderer.defaultSize().scaled(size, Qt::KeepAspectRatio);
    }

    QIconEngine* clone() const override { return std::make_unique<SvgIconEngine>(data).release(); }
    QString key() const override { return QStringLiteral("VelmoSvgIconEngine"); }

private:
    QByteArray data;
};

} // namespace

QIcon SvgIcon(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray data = file.readAll();
    if (!QSvgRenderer(data).isValid())
        return {};
    // QIcon owns its engine.
    return QIcon(std::make_unique<SvgIconEngine>(std::move(data)).release());
}

QString ToolButtonDrawingPath(unsigned id)
{
    const ToolButtonIcon* icon = FindToolButtonIcon(id);
    if (icon == nullptr)
        return {};
    return QStringLiteral(":/toolbar/%1.svg").arg(QString::fromLatin1(icon->file));
}

QIcon ToolButtonPicture(unsigned id)
{
    const ToolButtonIcon* icon = FindToolButtonIcon(id);
    if (icon == nullptr)
        return {};
    const QIcon drawing = SvgIcon(ToolButtonDrawingPath(id));
    if (icon->themeName[0] == '\0')
        return drawing;
    return QIcon::fromTheme(QString::fromLatin1(icon->themeName), drawing);
}

} // namespace velmo
