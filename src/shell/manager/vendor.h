// The vendor and the edition named in the program's texts and links.
#pragma once

#define KOVARA_EDITION "Kovara [Professional Edition] v 1.0.4"
#define KOVARA_VENDOR_NAME "Kovara Software"
#define KOVARA_WEB_SITE "http://www.kovara.example/"
