#include "window/savedialog.h"

#include "apps/detailtext.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>

namespace {

void askForFile(QFileDialog &dialog, const QString &proposed)
{
    const bool bundle = proposed.endsWith(QLatin1String(".apks"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDirectory(QFileInfo(proposed).absolutePath());
    dialog.setNameFilter(bundle ? QFileDialog::tr("App bundles (*.apks)")
                                : QFileDialog::tr("Android packages (*.apk)"));
    dialog.setDefaultSuffix(bundle ? QStringLiteral("apks") : QStringLiteral("apk"));
    dialog.selectFile(QFileInfo(proposed).fileName());
}

// The check box under the dialog's own widgets; only Qt's own dialog has a layout to put it in.
QCheckBox *addExpansionChoice(QFileDialog &dialog, qint64 bytes)
{
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    auto *grid = qobject_cast<QGridLayout *>(dialog.layout());
    if (!grid)
        return nullptr;
    auto *box = new QCheckBox(QFileDialog::tr("Include expansion files (%1)").arg(sizeText(bytes)),
                              &dialog);
    grid->addWidget(box, grid->rowCount(), 0, 1, -1);
    return box;
}

} // namespace

SaveChoice askWhereToSave(QWidget *parent, const SaveOffer &offer)
{
    QFileDialog dialog(parent, offer.folder ? QFileDialog::tr("Save apps into folder")
                                            : QFileDialog::tr("Save app"));
    if (offer.folder) {
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
        dialog.setDirectory(offer.proposed);
    } else {
        askForFile(dialog, offer.proposed);
    }
    const QCheckBox *include =
        offer.expansionBytes > 0 ? addExpansionChoice(dialog, offer.expansionBytes) : nullptr;
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return {dialog.selectedFiles().constFirst(), include && include->isChecked()};
}
