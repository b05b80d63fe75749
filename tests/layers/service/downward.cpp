#include "core/messages.h"
