#pragma once

#include <QString>

class QWidget;

// What the user is asked when apps are saved: where to save one app (a file, `proposed`, in the
// home folder) or several (a folder, `proposed`), and, when `expansionBytes` is more than 0,
// whether to include the apps' expansion files.
struct SaveOffer
{
    QString proposed;
    bool folder = false;
    qint64 expansionBytes = 0;
};

// What the user answered; an empty `path` when they cancelled.
struct SaveChoice
{
    QString path;
    bool withExpansions = false;
};

// Asks in a file dialog, which asks before replacing a file; with expansion files to offer it has
// a check box "Include expansion files (N MB)", left unticked.
SaveChoice askWhereToSave(QWidget *parent, const SaveOffer &offer);
