  #  include <display/Near.h>
