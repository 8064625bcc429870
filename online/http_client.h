// The program's one HTTP client: a GET on the event loop whose answer comes back through a callback.
#pragma once

#include <functional>
#include <string>

namespace muv {

class HttpClient {
public:
    // ok: a whole answer arrived with a 2xx status. status: the answer's HTTP status, 0 when none came.
    // body: what the answer carried (also for a status that is not ok).
    using Done = std::function<void(bool ok, int status, const std::string& body)>;

    virtual ~HttpClient() = default;
    // Starts the request (http or https) and returns at once; done runs later on the event loop, exactly
    // once, unless the client is destroyed first. A request takes at most the client's timeout.
    virtual void Get(const std::string& url, Done done) = 0;
};

}  // namespace muv
