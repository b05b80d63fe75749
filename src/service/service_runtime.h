// Running as a service: connecting to the service control manager (NT) or
// registering as a service process (Windows 9x), and the stop request.
#pragma once

struct AppState;

// Thread routine started on every run; returns at once unless -service.
int CheckService(AppState* state);

// True once the service manager asked the service to stop.
bool ServiceStopRequested();
