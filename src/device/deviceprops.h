#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// What the choice of splits needs to know about a device.
struct DeviceSpec
{
    int sdk = 0;           // API level; 0 when unknown
    QStringList abis;      // most preferred first, with underscores: "arm64_v8a"
    int density = 0;       // dots per inch; 0 when unknown
    QStringList languages; // "fr", as languageOf() gives them
};

// The properties in what `adb shell getprop` printed ("[name]: [value]" lines), by name; those
// with an empty value are left out.
QHash<QString, QString> propertiesFromGetprop(const QStringList &lines);

// What `adb shell getprop` printed ("[name]: [value]" lines) says about the device: the SDK level
// (ro.build.version.sdk), the ABIs (ro.product.cpu.abilist, else ro.product.cpu.abi and .abi2),
// the density (ro.sf.lcd_density, else qemu.sf.lcd_density) and the language (persist.sys.locale,
// else ro.product.locale, else ro.product.locale.language). What is missing stays 0 or empty,
// except the language: a device that names none is taken as English, as the store takes it.
DeviceSpec deviceFromProperties(const QStringList &lines);

// The physical density that `adb shell wm density` printed ("Physical density: 420"); 0 if none.
int densityFromWm(const QStringList &lines);

// What the choice would lack, as "the SDK level", "the ABIs", "the screen density", joined with
// commas; empty when nothing is missing.
QString missingProperties(const DeviceSpec &device);

// The device in a line for the log: "SDK 33, ABIs (arm64_v8a, armeabi_v7a), 420 dpi, languages
// (en)".
QString describeDevice(const DeviceSpec &device);
