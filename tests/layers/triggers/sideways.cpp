#include "service/service_runtime.h"
