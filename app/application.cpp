#include "app/application.h"

Application app;
