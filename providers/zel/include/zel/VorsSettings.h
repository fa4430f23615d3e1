// The settings for reaching the VORS end systems through the gateway, shared by every
// connection of the process: "HostTrans" and "C1C2Trans" of section "VORS" in "TREVO.INI",
// and, with "HostTrans" 1, the change-change command of each region from "VORS.INI" in the
// host code. A text that begins with a region's command (at its first or second byte)
// switches the sending connection's printer mode on, or off for the home region.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace zel {

inline constexpr char kTrevoIni[] = "TREVO.INI";
inline constexpr char kVorsIni[] = "VORS.INI";
// The regions in their order; the last is the home host.
inline constexpr std::array<const char*, 5> kRegions{"NORDIA", "ESTARIA", "SUDRIA", "VESTRIA",
                                                     "HOME"};

struct VorsSettings {
    int hostTrans = 0;
    int c1c2Trans = 0;
    std::array<std::vector<std::uint8_t>, kRegions.size()> commands;
};

// Reads the files anew (each connection's start does) and makes the result current.
void LoadRegionCommands();
// The current settings (a copy).
VorsSettings CurrentVors();

enum class PrinterSwitch { None, On, Off };
// What an outgoing text does to the printer mode.
PrinterSwitch FindRegionSwitch(std::span<const std::uint8_t> text, const VorsSettings& vors);

// The name under which a profile file of the Windows folder exists, matched without regard
// to case ("vors.ini" for "VORS.INI"); the name itself when there is none.
std::string ProfileName(const char* name);

}  // namespace zel
