#include "core/own.h"
#include "ui/main_window.h"
