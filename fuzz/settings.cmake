marvo_fuzz(settings LINKS marvo_settings)
