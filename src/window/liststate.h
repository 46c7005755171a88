#pragma once

// What the table's list is in: whether a refresh has filled it from the device, and the row of
// the entry the user selected (-1: none). Refresh and selection changes of every view share it.
struct ListState
{
    bool appsLoaded = false;
    int selectedRow = 0;
};
