#include "window/appicon.h"

#include <QIconEngine>
#include <optional>

namespace {

// Stands in for the icon until it is first asked for, then hands every question to it.
class DeferredIcon : public QIconEngine
{
public:
    DeferredIcon(QString id, QString fallbackPath)
        : id(std::move(id))
        , fallbackPath(std::move(fallbackPath))
    {}

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().actualSize(size, mode, state);
    }
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().pixmap(size, mode, state);
    }
    QPixmap scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override
    {
        return icon().pixmap(size, scale, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return icon().availableSizes(mode, state);
    }
    QString iconName() override { return icon().name(); }
    bool isNull() override { return icon().isNull(); }
    QString key() const override { return QStringLiteral("DeferredIcon"); }
    QIconEngine *clone() const override { return new DeferredIcon(id, fallbackPath); }

private:
    const QIcon &icon()
    {
        if (!found) {
            // Reading the raster's header alone loads Qt's image format plugins.
            found = QIcon::fromTheme(id);
            if (found->isNull())
                found = QIcon(fallbackPath);
        }
        return *found;
    }

    QString id;
    QString fallbackPath;
    std::optional<QIcon> found;
};

} // namespace

QIcon applicationIcon(const QString &id, const QString &fallbackPath)
{
    return QIcon(new DeferredIcon(id, fallbackPath));
}
