// The whole object model, for callers that use much of it.
#pragma once

#include "platform/outlook/AddressBook.h"
#include "platform/outlook/Application.h"
#include "platform/outlook/Attachments.h"
#include "platform/outlook/Explorer.h"
#include "platform/outlook/Folder.h"
#include "platform/outlook/Inspector.h"
#include "platform/outlook/Item.h"
#include "platform/outlook/Items.h"
#include "platform/outlook/NameSpace.h"
#include "platform/outlook/Recipients.h"
#include "platform/outlook/UserProperties.h"
