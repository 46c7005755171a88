#include "apps/uninstallprompt.h"

#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>

UninstallChoice askToUninstall(QWidget *parent, const QString &name, const QString &serial)
{
    QMessageBox box(QMessageBox::Warning, QObject::tr("Uninstall app"),
                    QObject::tr("Uninstall %1 from %2?").arg(name, serial), QMessageBox::NoButton,
                    parent);
    const QString dataGoes = QObject::tr("Its data on the device is deleted too.");
    box.setInformativeText(dataGoes);
    auto *keep = new QCheckBox(QObject::tr("&Keep its data"), &box);
    box.setCheckBox(keep);
    // The sentence under the question always says what will become of the data.
    QObject::connect(keep, &QCheckBox::toggled, &box, [&box, dataGoes](bool kept) {
        box.setInformativeText(kept ? QObject::tr("Its data stays on the device.") : dataGoes);
    });
    QPushButton *uninstall = box.addButton(QObject::tr("&Uninstall"), QMessageBox::AcceptRole);
    QPushButton *cancel = box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(cancel);
    box.setEscapeButton(cancel);
    box.exec();
    return {box.clickedButton() == uninstall, keep->isChecked()};
}
