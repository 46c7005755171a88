#include "device/devicecheck.h"

#include "device/devicelist.h"

DeviceCheck checkDevices(const QString &tool, const QString &chosen, const RunLimit &limit)
{
    DeviceCheck check;
    check.run = runTool(tool, {QStringLiteral("devices")}, {}, limit);
    check.usable = usableDevices(check.run.output);
    check.serial = pickDevice(check.usable, chosen);
    return check;
}
