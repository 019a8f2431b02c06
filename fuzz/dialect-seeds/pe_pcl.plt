%-12345X@PJL ENTER LANGUAGE=HPGL2
E%0BBPIN;PE<=¿¿_Ë¿¿_Ë`Ë¿¿`Ë;PE7:B<=__?x__?x;PE>Á=¿¿?Ø¿¿;%0AE%-12345X