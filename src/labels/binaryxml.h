#pragma once

#include "labels/lebytes.h"

// What a binary AndroidManifest.xml says the app is called: the android:label of <application>.
struct ManifestLabel
{
    enum Kind { None, Text, Reference, NotText };
    Kind kind = None;
    QString text;   // for Text: the label as written in the manifest
    quint32 id = 0; // for Reference: the resource id, such as 0x7f0b0012
};

// The label of the first <application> element in `manifest` (binary XML). The attribute is
// found by its resource id 0x01010001, or by the name "label" in the android namespace when it
// has no id. An error when the chunks, the string pool or the element do not fit; a manifest
// without a label gives None, a label that is neither a string nor a reference NotText.
Parsed<ManifestLabel> readManifestLabel(QByteArrayView manifest);

// The package name that the first <manifest> element in `manifest` (binary XML) gives in its
// "package" attribute (no namespace), as written: its raw string, else its value when that is a
// string. Empty when there is no such element or attribute, or its value is not text; an error when
// the chunks, the string pool or the element do not fit. Not checked to be a package name.
Parsed<QString> readManifestPackage(QByteArrayView manifest);
