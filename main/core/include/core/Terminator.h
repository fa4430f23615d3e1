// The bytes a device writes after each output ("Terminator Data"), with their kind
// ("Terminator Type": 1 form feed, 2 carriage return only, 3 carriage return and line feeds,
// 4 the interface-queue and file forms) and, for interface queues and files, a readable
// form ("Terminator Field") in which each control byte is "~" and two hexadecimal digits.
#pragma once

class CRegistry;

// Names of the device types (string-table entries 122 and 112) that get their own forms.
inline constexpr const char* kDeviceTypeInterfaceQueue = "Interface Queue";
inline constexpr const char* kDeviceTypeFile = "File";

// Gives a device whose key has no "Terminator Data" a default one, derived from its device
// type and settings, and writes it back. The device's key is open in pRegistry and in the
// global registry object. A key that has the value already is left unchanged.
void BuildTerminatorData(CRegistry* pRegistry);
