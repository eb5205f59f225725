#pragma once

#include <QByteArray>
#include <QStringView>

#include <optional>

// The GBK bytes of `text` through Windows' own code page 936 table.  Qt
// built without ICU (as the Windows builds are) has no GBK encoder, so the
// Windows build converts this way.  Nothing on other systems, or when a
// character has no GBK form.
std::optional<QByteArray> EncodeCodePage936(QStringView text);
