# Readers of untrusted bytes in the platform library (built with the Qt parts only).
if(TARGET marvo_platform)
  marvo_fuzz(scroll_marks LINKS marvo_platform)
endif()
