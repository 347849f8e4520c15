#include "form1.h"
