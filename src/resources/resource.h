// Resource identifiers of the vault manager, as the resource script names them.
#pragma once
