 ARCHIVE FILE FOR FORMALDEHYDE


                     SUMMARY OF  PM7 CALCULATION, Site No:    0

                                                       MOPAC2016 (Version: 21.001L)

           Empirical Formula: C H2 O  =     4 atoms

 PM7 CHARGE=0 SINGLET
 formaldehyde
 

          HEAT OF FORMATION       =        -26.24560 KCAL/MOL =    -109.81160 KJ/MOL
          GRADIENT NORM           =          0.03175 = 0.01588 PER ATOM


          FINAL GEOMETRY OBTAINED
 PM7 CHARGE=0 SINGLET
 formaldehyde
 
  C     0.00000000 +1   0.00000000 +1   0.00000000 +1                         0.2156
  O     1.20587900 +1   0.00000000 +1   0.00000000 +1                        -0.3950
  H    -0.58542731 +1   0.93712480 +1   0.00000000 +1                         0.0897
  H    -0.58542731 +1  -0.93712480 +1   0.00000000 +1                         0.0897
