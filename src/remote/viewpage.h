// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class RemoteServer;

// The live view for browsers: one page, built into the program, served at "/"
// and "/view" on the remote port. It needs no token; it reads the state from
// the WebSocket and never sends a command.
class ViewPage {
  public:
    static void addTo(RemoteServer& server);
};
