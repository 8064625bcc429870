// How the spot windows send: through the cluster link, which composes the lines and writes them to the
// cluster's socket. Texts are UTF-8 and go as the operator typed them.
#pragma once

#include <string>

namespace muv {

class SpotSender {
public:
    virtual ~SpotSender() = default;
    // A chat line to one station: a personal message, or a spot of that station on the chat channel.
    // False when the line could not be sent (the cluster link not connected, for one).
    virtual bool SendInternalSpot(const std::string& frequency, const std::string& comment,
                                  const std::string& callsign) = 0;
    // A chat line to the addressee ("ALL" for a message to all) and the web spot request; false when the
    // chat line could not be sent.
    virtual bool SendInternalSpotWithWeb(const std::string& frequency, const std::string& comment,
                                         const std::string& addressee) = 0;
    // A "DX" spot to the cluster; false when the line could not be sent.
    virtual bool SendClusterSpot(const std::string& callsign, const std::string& frequency,
                                 const std::string& comment) = 0;
};

}  // namespace muv
