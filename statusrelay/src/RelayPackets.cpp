#include "RelayPackets.h"

#include <cstring>
#include <string_view>

#include "linkpacket/LinkPacketHeader.h"

namespace statusrelay {

namespace {

template <std::size_t N>
std::string_view Field(const char (&text)[N]) {
    return {text, ::strnlen(text, N)};
}

}  // namespace

std::vector<std::uint8_t> BuildStatusPacket(const DEVICESTATUS& status) {
    const std::string_view fields[] = {Field(status.deviceName),       Field(status.deviceType),
                                       Field(status.lniata),           Field(status.deviceStatus),
                                       Field(status.connectionStatus), Field(status.hostStatus),
                                       Field(status.message)};
    std::vector<std::uint8_t> packet(linkpacket::kHeaderSize);
    for (std::size_t i = 0; i < std::size(fields); ++i) {
        if (i != 0) packet.push_back('~');
        packet.insert(packet.end(), fields[i].begin(), fields[i].end());
    }
    packet.push_back(0);
    (void)linkpacket::EncodeTo(linkpacket::MakeHeader(linkpacket::PacketKind::Status,
                                                      static_cast<std::uint32_t>(packet.size())),
                               packet);
    return packet;
}

std::vector<std::uint8_t> BuildIconPacket(const ICONSTATUS& icon) {
    std::vector<std::uint8_t> packet(kIconPacketSize);
    (void)linkpacket::EncodeTo(
        linkpacket::MakeHeader(linkpacket::PacketKind::Icon, kIconPacketSize), packet);
    std::size_t at = linkpacket::kHeaderSize;
    for (const std::uint32_t word : icon.words)
        for (int shift = 0; shift < 32; shift += 8)
            packet[at++] = static_cast<std::uint8_t>(word >> shift);
    return packet;
}

}  // namespace statusrelay
